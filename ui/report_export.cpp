#include "ui/report_export.h"

#include <wx/statusbr.h>

#include <algorithm>
#include <cstdio>

#include "labels/atomic_file.h"
#include "platform/services/message_box.h"
#include "ui/command_map.h"
#include "ui/report_html.h"
#include "ui/report_pdf.h"
#include "ui/timeline/segment_statistics_dlg.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_labels.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"

namespace kavrin {
namespace {

std::string Number(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The sources of the session's runs, each once, in order.
std::string SessionSources(const CEvaluationLog& log) {
    std::vector<std::string> names;
    for (const CEvaluationLog::Segment& segment : log.Segments()) {
        const std::string name = segment.analyzer == kTimelineReviewAnalyzer ? "review"
                                 : segment.source == EvaluationSource::File  ? "file"
                                 : segment.source == EvaluationSource::Tone  ? "test tone"
                                                                             : "line";
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "no evaluation" : text;
}

}  // namespace

CReportExport::CReportExport(wxFrame* frame, CTimeline& timeline, Settings settings)
    : m_frame(frame), m_timeline(timeline), m_settings(std::move(settings)) {}

void CReportExport::BindCommand(wxEvtHandler& handler) {
    kavrin::BindCommand(handler, ID_TIMELINE_REPORT, this, &CReportExport::OnExportReport);
    handler.Bind(
        wxEVT_UPDATE_UI,
        [this](wxUpdateUIEvent& event) { event.Enable(!m_timeline.Log().Empty()); },
        ToolkitId(ID_TIMELINE_REPORT));
}

void CReportExport::OnExportReport() {
    if (m_timeline.Log().Empty()) return;
    const std::string path =
        AskTimelinePath(m_frame, "Export Report", "kavrin-report.pdf",
                        "PDF documents (*.pdf)|*.pdf|HTML pages (*.html)|*.html");
    if (!path.empty()) Export(path);
}

ReportFacts CReportExport::Facts() const {
    const CEvaluationLog& log = m_timeline.Log();
    CTimelineLabels& labels = m_timeline.Labels();
    CTimelineReview& review = m_timeline.Review();
    ReportInput input;
    input.settings = m_settings ? m_settings() : ReportSettings{};
    // The recording: the one reviewed, else the file played last.
    if (!review.Path().empty()) {
        input.recordingPath = review.Path();
        input.recordingSeconds = review.LengthSeconds();
    } else {
        const auto& segments = log.Segments();
        for (std::size_t i = segments.size(); i-- > 0;) {
            if (segments[i].source != EvaluationSource::File || segments[i].name.empty()) continue;
            input.recordingPath = segments[i].name;
            const std::size_t end =
                i + 1 < segments.size() ? segments[i + 1].firstRow : log.Rows().size();
            if (end > segments[i].firstRow)
                input.recordingSeconds = log.Rows()[end - 1].timeSeconds;
            break;
        }
    }
    input.sessionSources = SessionSources(log);
    input.sessionSeconds = log.EndSeconds();
    input.rows = &log.Rows();
    if (const std::optional<kavrin_labels::Baseline> baseline = labels.CurrentBaseline()) {
        input.baseline = "Baseline: the segment \"" + baseline->segment.text + "\", mean " +
                         Number(baseline->meanHz, 3) + " Hz, standard deviation " +
                         Number(baseline->sdHz, 3) + " Hz (lamps red " +
                         Number(baseline->redShare * 100, 1) + " %, yellow " +
                         Number(baseline->yellowShare * 100, 1) + " %, green " +
                         Number(baseline->greenShare * 100, 1) +
                         " %). The last two columns give each segment's mean minus the "
                         "baseline's, in Hz and in baseline standard deviations.";
    }
    input.tableTitles = SegmentTableTitles();
    for (const kavrin_labels::SegmentStatistics& row : labels.Statistics())
        input.tableRows.push_back(SegmentTableCells(row));
    input.version = KAVRIN_VERSION;
    input.now = std::time(nullptr);
    return CollectReportFacts(input);
}

std::string CReportExport::Export(const std::string& path) {
    const ReportFacts facts = Facts();
    // The whole session, as the pane draws it, without what only the screen needs.
    const CTimelinePane& pane = *m_timeline.Pane();
    TimelineReviewOverlay overlay = pane.Overlay();
    overlay.playhead.reset();
    overlay.selection.reset();
    overlay.progress.clear();
    TimelineView view = FitTimeline(0.0, m_timeline.Log().EndSeconds());
    view.minVoicedShare = pane.View().minVoicedShare;
    wxFont font = pane.GetFont();
    font.SetFractionalPointSize(10.0);
    const TimelineLayout layout =
        ComputeTimelineLayout(m_timeline.Log(), view, kReportPlotWidth, kReportPlotHeight,
                              MeasureTimelineFont(font), &overlay);
    // A name ending in .html asks for the page; anything else gets the PDF.
    const bool html = path.size() >= 5 && wxString(path.substr(path.size() - 5)).Lower() == ".html";
    const std::string error =
        html ? kavrin_labels::WriteFileAtomically(path, ReportHtml(facts, layout, font))
             : WriteReportPdf(path, facts, layout, font);
    if (!error.empty()) {
        platform::ShowMessage("Cannot write " + path + ": " + error);
        return error;
    }
    if (m_frame->GetStatusBar())
        m_frame->SetStatusText(wxString::FromUTF8("Report written: " + path), 0);
    return "";
}

}  // namespace kavrin
