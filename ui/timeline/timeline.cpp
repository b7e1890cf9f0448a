#include "ui/timeline/timeline.h"

#include <wx/filedlg.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/numdlg.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <utility>

#include "labels/segment_statistics.h"
#include "platform/services/message_box.h"
#include "sources/global_analyzers.h"
#include "ui/command_map.h"
#include "ui/frame_placement.h"
#include "ui/timeline/timeline_labels.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"

namespace kavrin {
namespace {

TimelinePathPrompt& PathPrompt() {
    static TimelinePathPrompt prompt;
    return prompt;
}

std::string AskPath(wxWindow* parent, const std::string& title, const std::string& name,
                    const std::string& wildcard) {
    if (PathPrompt()) return PathPrompt()(title, name, wildcard);
    return wxFileSelector(title, wxEmptyString, name, wxEmptyString, wildcard,
                          wxFD_SAVE | wxFD_OVERWRITE_PROMPT, parent)
        .ToStdString();
}

}  // namespace

std::string AskTimelinePath(wxWindow* parent, const std::string& title, const std::string& name,
                            const std::string& wildcard) {
    return AskPath(parent, title, name, wildcard);
}

void SetTimelinePathPrompt(TimelinePathPrompt prompt) {
    PathPrompt() = std::move(prompt);
}

CTimeline::CTimeline(wxFrame* frame, wxWindow* form) : m_frame(frame), m_form(form) {
    m_pane = new CTimelinePane(frame, m_log);
    m_pane->Hide();
    // With a second child the frame no longer fills its client area with the form by itself.
    m_frame->Bind(wxEVT_SIZE, &CTimeline::OnFrameSize, this);
    // Rows an earlier window left in the rings are not this window's.
    Drain();
    m_log.Clear();
    m_review = std::make_unique<CTimelineReview>(frame, m_log, *m_pane, [this] {
        ShowTimeline(true);
        // The labels kept beside the recording come back with it.
        m_labels->TakeNewRuns();
    });
    m_review->SetLampReference([this](std::int32_t thresholdAdjust) {
        return m_lampReference.value_or(LampPreset(thresholdAdjust));
    });
    m_labels = std::make_unique<CTimelineLabels>(frame, m_log, *m_pane, *m_review);
}

CTimeline::~CTimeline() {
    m_frame->Unbind(wxEVT_SIZE, &CTimeline::OnFrameSize, this);
    m_labels.reset();
    m_review.reset();
    // The pane paints from this log: it goes first.
    m_pane->Destroy();
}

void CTimeline::OnFrameSize(wxSizeEvent& event) {
    LayOut();
    event.Skip();
}

void CTimeline::BindCommands(wxEvtHandler& handler) {
    BindCommand(handler, ID_TIMELINE_SHOW, this, &CTimeline::OnShowTimeline);
    BindCommand(handler, ID_TIMELINE_MARK, this, &CTimeline::OnMark);
    BindCommand(handler, ID_TIMELINE_EXPORT_CSV, this, &CTimeline::OnExportCsv);
    BindCommand(handler, ID_TIMELINE_EXPORT_PNG, this, &CTimeline::OnExportPng);
    BindCommand(handler, ID_TIMELINE_CLEAR, this, &CTimeline::OnClear);
    BindCommand(handler, ID_TIMELINE_REVIEW, this, &CTimeline::OnReview);
    BindCommand(handler, ID_TIMELINE_CANCEL_REVIEW, this, &CTimeline::OnCancelReview);
    BindCommand(handler, ID_TIMELINE_PLAY, this, &CTimeline::OnPlay);
    BindCommand(handler, ID_TIMELINE_LOOP, this, &CTimeline::OnLoop);
    BindCommand(handler, ID_TIMELINE_LABEL, this, &CTimeline::OnLabelSelection);
    BindCommand(handler, ID_TIMELINE_STATISTICS, this, &CTimeline::OnSegmentStatistics);
    BindCommand(handler, ID_TIMELINE_IMPORT_LABELS, this, &CTimeline::OnImportLabels);
    BindCommand(handler, ID_TIMELINE_EXPORT_LABELS, this, &CTimeline::OnExportLabels);
    BindCommand(handler, ID_TIMELINE_READING_QUALITY, this, &CTimeline::OnReadingQuality);
    BindCommand(handler, ID_TIMELINE_BASELINE, this, &CTimeline::OnUseAsBaseline);
    handler.Bind(
        wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Enable(m_review->Running()); },
        ToolkitId(ID_TIMELINE_CANCEL_REVIEW));
    handler.Bind(
        wxEVT_UPDATE_UI,
        [this](wxUpdateUIEvent& event) { event.Enable(!m_review->Path().empty()); },
        ToolkitId(ID_TIMELINE_PLAY));
    handler.Bind(
        wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_review->Loop()); },
        ToolkitId(ID_TIMELINE_LOOP));
}

void CTimeline::OnReview() {
    m_review->OnReview();
}

void CTimeline::OnCancelReview() {
    m_review->Cancel();
}

void CTimeline::OnPlay() {
    m_review->PlayPause();
}

void CTimeline::OnLoop() {
    m_review->SetLoop(!m_review->Loop());
}

void CTimeline::OnLabelSelection() {
    Drain();
    m_labels->OnLabelSelection();
}

void CTimeline::OnSegmentStatistics() {
    Drain();
    m_labels->OnStatistics();
}

void CTimeline::OnUseAsBaseline() {
    Drain();
    m_labels->UseAsBaseline();
}

void CTimeline::OnReadingQuality() {
    // In percent: the share of the block's 15 frames that must be voiced.
    const long percent = wxGetNumberFromUser(
        "An evaluation whose block was voiced less than this share is no reading:\n"
        "a gap in the timeline, left out of segment statistics.",
        "Voiced share (%):", "Reading Quality", std::lround(MinVoicedShare() * 100.0), 0, 100,
        m_frame);
    if (percent >= 0) SetMinVoicedShare(static_cast<double>(percent) / 100.0);
}

void CTimeline::OnImportLabels() {
    Drain();
    m_labels->OnImport();
}

void CTimeline::OnExportLabels() {
    Drain();
    m_labels->OnExport();
}

int CTimeline::PaneHeight() const {
    return m_frame->GetCharHeight() * 16;
}

bool CTimeline::IsShown() const {
    return m_pane->IsShown();
}

void CTimeline::LayOut() {
    if (!m_form) return;
    const wxSize client = m_frame->GetClientSize();
    int paneHeight = 0;
    if (IsShown()) {
        // Where the frame cannot have all it asks (a small screen), the pane gives up room
        // before the form does, down to a few lines of its own.
        const int least = std::min(PaneHeight(), m_frame->GetCharHeight() * 6);
        const int left = client.y - m_form->GetVirtualSize().y;
        paneHeight = std::min(std::clamp(left, least, PaneHeight()), client.y);
    }
    m_form->SetSize(0, 0, client.x, client.y - paneHeight);
    if (IsShown()) m_pane->SetSize(0, client.y - paneHeight, client.x, paneHeight);
}

std::size_t CTimeline::Drain() {
    const std::optional<std::int32_t> reference = m_lampReference;
    const CEvaluationLog::Completion complete = [reference](EvaluationRow& row) {
        if (!reference) return;
        row.lampReference = *reference;
        row.lamp = kavrin_labels::ToEvaluationLamp(LampFor(*reference, row.instFreq));
    };
    const std::size_t taken = m_log.Drain(g_liveAnalyzer, kTimelineLiveAnalyzer, complete) +
                              m_log.Drain(g_fileAnalyzer, kTimelineFileAnalyzer, complete);
    // A played file's labels come in with its first rows, its marks as its rows reach them.
    if (m_labels) m_labels->TakeNewRuns();
    return taken;
}

void CTimeline::RecordingEnded(const EndedRecording& ended) {
    Drain();
    // The live analyzer is still in the recorded session: a new one begins after this.
    m_labels->KeepRecording(ended, g_liveAnalyzer.EvaluationSession());
}

void CTimeline::OnTick(const TickResult& tick) {
    if (tick.lampThreshold) m_lampReference = tick.lampThreshold;
    if (Drain() > 0 && IsShown()) m_pane->Redraw();
}

ReadingValidity CTimeline::NewestValidity(bool file, double instFreq) const {
    const auto& rows = m_log.Rows();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if ((row->source == EvaluationSource::File) != file) continue;
        return JudgeReading(instFreq, JudgedVoicedShare(*row), MinVoicedShare());
    }
    return JudgeReading(instFreq, std::numeric_limits<double>::quiet_NaN(), MinVoicedShare());
}

double CTimeline::MinVoicedShare() const {
    return m_pane->View().minVoicedShare;
}

void CTimeline::SetMinVoicedShare(double share) {
    m_pane->SetMinVoicedShare(share);
    // The baseline's readings are judged anew.
    m_labels->RefreshBaseline();
}

void CTimeline::ShowTimeline(bool show) {
    if (show != IsShown()) {
        m_pane->Show(show);
        // The frame grows to hold the pane (and gives the room back), so the form keeps its size;
        // it never grows out of the screen's work area.
        if (!m_frame->IsMaximized() && !m_frame->IsFullScreen()) {
            wxRect rect = m_frame->GetRect();
            if (show) {
                rect.height += PaneHeight();
                m_frame->SetSize(FitIntoArea(rect, WorkAreaOf(*m_frame)));
            } else {
                rect.height -= m_pane->GetSize().y;
                m_frame->SetSize(rect);
            }
        }
        LayOut();
        if (show) {
            Drain();
            m_pane->Redraw();
        }
    }
    if (wxMenuBar* bar = m_frame->GetMenuBar()) bar->Check(ToolkitId(ID_TIMELINE_SHOW), show);
}

void CTimeline::OnShowTimeline() {
    ShowTimeline(!IsShown());
}

void CTimeline::OnMark() {
    if (wxGetKeyState(WXK_SHIFT)) {
        MarkWithText();
        return;
    }
    Drain();
    if (m_log.AddMark()) m_labels->Changed();
}

bool CTimeline::MarkWithText() {
    Drain();
    if (m_log.Empty()) return false;
    // The evaluation the user marked is the newest now, not when the text is done.
    const std::size_t row = m_log.Rows().size() - 1;
    wxTextEntryDialog dialog(m_frame, "Text of the mark:", "Mark");
    if (dialog.ShowModal() != wxID_OK) return false;
    m_log.AddMarkAt(row, dialog.GetValue().utf8_string());
    m_labels->Changed();
    return true;
}

bool CTimeline::ExportCsv(const std::string& path) {
    Drain();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) m_log.WriteCsv(out);
    out.close();
    if (!out) {
        platform::ShowMessage("Cannot write " + path);
        return false;
    }
    // The CSV keeps kavrin-analyze's form; that rows are missing is said in the message pane.
    if (const std::string note = m_log.LostRowsNote(); !note.empty() && m_frame->GetStatusBar())
        m_frame->SetStatusText(
            wxString::FromUTF8(path.substr(path.find_last_of('/') + 1) + ": " + note), 0);
    return true;
}

bool CTimeline::ExportPng(const std::string& path) {
    Drain();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
    // The stretch shown, at least 1600 x 600, with the text grown as the picture grows.
    const wxSize shown = m_pane->GetClientSize();
    const wxSize size(std::max(kTimelineExportWidth, shown.x),
                      std::max(kTimelineExportHeight, shown.y));
    wxFont font = m_pane->GetFont();
    if (shown.y > 0 && size.y > shown.y)
        font.SetFractionalPointSize(font.GetFractionalPointSize() * size.y / shown.y);
    const wxBitmap picture = m_pane->Render(size, font);
    if (!picture.IsOk() || !picture.SaveFile(path, wxBITMAP_TYPE_PNG)) {
        platform::ShowMessage("Cannot write " + path);
        return false;
    }
    return true;
}

void CTimeline::OnExportCsv() {
    const std::string path =
        AskPath(m_frame, "Export CSV", "timeline.csv", "CSV files (*.csv)|*.csv");
    if (!path.empty()) ExportCsv(path);
}

void CTimeline::OnExportPng() {
    const std::string path =
        AskPath(m_frame, "Export PNG", "timeline.png", "PNG pictures (*.png)|*.png");
    if (!path.empty()) ExportPng(path);
}

void CTimeline::OnClear() {
    if (m_labels->HoldsWork()) {
        wxMessageDialog ask(m_frame,
                            "Clear the timeline and its segments and marks? (Labels kept beside "
                            "a recording stay there.)",
                            "Clear", wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION);
        if (ask.ShowModal() != wxID_YES) return;
    }
    // Rows still waiting belong to what is being cleared.
    Drain();
    m_labels->Clear();
    m_log.Clear();
    m_review->Forget();
    m_pane->Redraw();
}

}  // namespace kavrin
