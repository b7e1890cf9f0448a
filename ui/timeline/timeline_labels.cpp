#include "ui/timeline/timeline_labels.h"

#include <wx/statusbr.h>
#include <wx/textdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "labels/label_files.h"
#include "labels/label_sidecar.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"
#include "ui/live_recording.h"
#include "ui/timeline/segment_statistics_dlg.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"

namespace kavrin {
namespace {

using kavrin_labels::LabelSet;
using kavrin_labels::Segment;

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> AskText(wxWindow* parent, const std::string& title,
                                   const std::string& value) {
    wxTextEntryDialog dialog(parent, "Text of the segment:", wxString::FromUTF8(title),
                             wxString::FromUTF8(value));
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return dialog.GetValue().utf8_string();
}

// Seconds of a run from timeline seconds, to the nanosecond: a label made at 7.5 s of a review
// that starts at 29.7 s on the timeline is written as 7.5, not 7.499999999999996.
double RunSeconds(double timelineSeconds, double runStart) {
    return std::max(0.0, std::round((timelineSeconds - runStart) * 1e9) / 1e9);
}

}  // namespace

CTimelineLabels::CTimelineLabels(wxFrame* frame, CEvaluationLog& log, CTimelinePane& pane,
                                 CTimelineReview& review)
    : m_frame(frame), m_log(log), m_pane(pane), m_review(review) {
    m_pane.SetLabels(&m_segments);
    m_pane.m_onSegmentEdge = [this](std::size_t index, LabelRowPart edge, double seconds,
                                    bool done) {
        if (index >= m_segments.size()) return;
        Segment& segment = m_segments[index];
        // An edge stops at the other one: a segment never turns inside out.
        if (edge == LabelRowPart::StartEdge)
            segment.start = std::min(seconds, segment.end);
        else
            segment.end = std::max(seconds, segment.start);
        if (done)
            Changed();
        else
            m_pane.Redraw();
    };
    m_pane.m_onRenameSegment = [this](std::size_t index) { Rename(index); };
    m_pane.m_onDeleteKey = [this] { DeleteCurrent(); };
}

CTimelineLabels::~CTimelineLabels() {
    m_pane.m_onSegmentEdge = nullptr;
    m_pane.m_onRenameSegment = nullptr;
    m_pane.m_onDeleteKey = nullptr;
    m_pane.SetLabels(nullptr);
}

void CTimelineLabels::Status(const std::string& text) {
    if (m_frame->GetStatusBar()) m_frame->SetStatusText(wxString::FromUTF8(text), 0);
}

std::optional<std::size_t> CTimelineLabels::RunAt(double seconds) const {
    const auto& runs = m_log.Segments();
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].firstRow >= m_log.Rows().size()) break;
        if (runs[i].startSeconds <= seconds || !found) found = i;
    }
    return found;
}

std::optional<std::size_t> CTimelineLabels::ShownRun() const {
    if (!m_review.Path().empty()) {
        const auto& runs = m_log.Segments();
        for (std::size_t i = runs.size(); i-- > 0;)
            if (runs[i].analyzer == kTimelineReviewAnalyzer &&
                runs[i].startSeconds == m_review.StartSeconds())
                return i;
    }
    if (m_log.Segments().empty() || m_log.Empty()) return std::nullopt;
    return m_log.Segments().size() - 1;
}

LabelSet CTimelineLabels::LabelsOfRun(std::size_t run, double offset, double length) const {
    const CEvaluationLog::Segment& info = m_log.Segments()[run];
    const double origin = info.startSeconds + offset;
    // A microsecond's leeway: timeline seconds are sums, a recording's length a quotient.
    const auto within = [&](double seconds) {
        return seconds - origin >= -1e-6 && seconds - origin <= length + 1e-6;
    };
    // A mark belongs to its row's run (the run's last row lies where the next run begins).
    const auto inside = [&](double seconds) { return RunAt(seconds) == run && within(seconds); };
    LabelSet labels;
    labels.media = info.name;
    for (const Segment& segment : m_segments) {
        if (!inside(segment.start)) continue;
        labels.segments.push_back(
            {RunSeconds(segment.start, origin), RunSeconds(segment.end, origin), segment.text});
    }
    for (const CEvaluationLog::Mark& mark : m_log.Marks()) {
        const double at = m_log.Rows()[mark.row].timelineSeconds;
        if (m_log.SegmentOf(mark.row) != run || !within(at)) continue;
        labels.segments.push_back({RunSeconds(at, origin), RunSeconds(at, origin), mark.label});
    }
    kavrin_labels::SortSegments(labels.segments);
    if (m_baseline && inside(m_baseline->start))
        labels.baseline =
            Segment{RunSeconds(m_baseline->start, origin), RunSeconds(m_baseline->end, origin), {}};
    if (run == ShownRun() && !m_review.Path().empty())
        labels.duration = m_review.LengthSeconds();
    else if (!m_log.Empty())
        labels.duration = std::max(0.0, m_log.EndSeconds() - info.startSeconds);
    return labels;
}

std::optional<std::pair<double, double>> CTimelineLabels::StretchToLabel() const {
    if (const auto& selection = m_pane.Overlay().selection) return selection;
    std::vector<double> marks;
    for (const CEvaluationLog::Mark& mark : m_log.Marks())
        marks.push_back(m_log.Rows()[mark.row].timelineSeconds);
    std::sort(marks.begin(), marks.end());
    if (marks.size() < 2) return std::nullopt;
    if (const std::optional<double> playhead = m_pane.Overlay().playhead) {
        const auto after = std::upper_bound(marks.begin(), marks.end(), *playhead);
        if (after == marks.begin() || after == marks.end()) return std::nullopt;
        return std::make_pair(*(after - 1), *after);
    }
    return std::make_pair(marks[marks.size() - 2], marks.back());
}

void CTimelineLabels::OnLabelSelection() {
    const std::optional<std::pair<double, double>> stretch = StretchToLabel();
    if (!stretch || !(stretch->second > stretch->first)) {
        Status("Select a stretch first (Shift+drag in the timeline), or set two marks");
        return;
    }
    const std::optional<std::string> text = AskText(m_frame, "Label Selection", {});
    if (text) AddSegment(stretch->first, stretch->second, *text);
}

bool CTimelineLabels::AddSegment(double start, double end, const std::string& text) {
    const Segment segment{std::max(0.0, start), std::max(0.0, end), text};
    if (!kavrin_labels::CheckSegment(segment).empty() || segment.IsMark()) return false;
    m_segments.push_back(segment);
    Changed();
    return true;
}

bool CTimelineLabels::Rename(std::size_t index) {
    if (index >= m_segments.size()) return false;
    const std::optional<std::string> text =
        AskText(m_frame, "Rename Segment", m_segments[index].text);
    return text && SetText(index, *text);
}

bool CTimelineLabels::SetText(std::size_t index, const std::string& text) {
    if (index >= m_segments.size()) return false;
    Segment renamed = m_segments[index];
    renamed.text = text;
    if (!kavrin_labels::CheckSegment(renamed).empty()) return false;
    m_segments[index] = renamed;
    Changed();
    return true;
}

bool CTimelineLabels::Delete(std::size_t index) {
    if (index >= m_segments.size()) return false;
    m_segments.erase(m_segments.begin() + static_cast<std::ptrdiff_t>(index));
    Changed();
    return true;
}

bool CTimelineLabels::DeleteCurrent() {
    const std::optional<std::size_t> current = CurrentSegment();
    return current && Delete(*current);
}

std::vector<kavrin_labels::SegmentStatistics> CTimelineLabels::Statistics() const {
    std::vector<kavrin_labels::SegmentStatistics> table = StatisticsOf(m_segments);
    if (const std::optional<kavrin_labels::Baseline> baseline = CurrentBaseline()) {
        for (kavrin_labels::SegmentStatistics& s : table) {
            s.baselineDiffHz = kavrin_labels::DeviationHz(s, *baseline);
            s.baselineDiffSd = kavrin_labels::DeviationSd(s, *baseline);
        }
    }
    return table;
}

std::optional<kavrin_labels::Baseline> CTimelineLabels::CurrentBaseline() const {
    if (!m_baseline) return std::nullopt;
    const std::vector<kavrin_labels::SegmentStatistics> one = StatisticsOf({*m_baseline});
    std::optional<kavrin_labels::Baseline> baseline = kavrin_labels::BaselineOf(one.front());
    if (baseline) baseline->segment = *m_baseline;
    return baseline;
}

void CTimelineLabels::RefreshBaseline() {
    const std::optional<kavrin_labels::Baseline> baseline = CurrentBaseline();
    if (baseline)
        m_pane.SetBaselineBand(
            std::make_pair(baseline->meanHz - baseline->sdHz, baseline->meanHz + baseline->sdHz));
    else
        m_pane.SetBaselineBand(std::nullopt);
}

std::optional<std::size_t> CTimelineLabels::CurrentSegment() const {
    if (const std::optional<std::size_t> clicked = m_pane.ClickedSegment())
        if (*clicked < m_segments.size()) return clicked;
    const std::optional<double> playhead = m_pane.Overlay().playhead;
    if (!playhead) return std::nullopt;
    std::optional<std::size_t> under;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const Segment& s = m_segments[i];
        if (s.start <= *playhead && *playhead <= s.end &&
            (!under || s.end - s.start < m_segments[*under].end - m_segments[*under].start))
            under = i;
    }
    return under;
}

bool CTimelineLabels::UseAsBaseline() {
    const std::optional<std::size_t> current = CurrentSegment();
    if (!current) {
        Status("Click a segment (or put the playhead in one) to use it as the baseline");
        return false;
    }
    return UseAsBaseline(*current);
}

bool CTimelineLabels::UseAsBaseline(std::size_t index) {
    if (index >= m_segments.size()) return false;
    const std::optional<Segment> previous = m_baseline;
    m_baseline = m_segments[index];
    const std::optional<kavrin_labels::Baseline> baseline = CurrentBaseline();
    if (!baseline) {
        m_baseline = previous;
        Status("\"" + m_segments[index].text + "\" holds fewer than two readings: no baseline");
        return false;
    }
    char text[160];
    std::snprintf(text, sizeof text, "Baseline: %.3f Hz, sd %.3f Hz", baseline->meanHz,
                  baseline->sdHz);
    Status("\"" + m_segments[index].text + "\" is the baseline. " + text);
    RefreshBaseline();
    Changed();
    return true;
}

std::vector<kavrin_labels::SegmentStatistics> CTimelineLabels::StatisticsOf(
    const std::vector<Segment>& segments) const {
    std::vector<kavrin_labels::SegmentStatistics> table;
    const auto& runs = m_log.Segments();
    const auto& rows = m_log.Rows();
    // Each segment over the rows of its own run, in the run's seconds.
    std::map<std::size_t, std::vector<kavrin_labels::StatisticsRow>> runRows;
    for (const Segment& segment : segments) {
        const std::optional<std::size_t> run = RunAt(segment.start);
        Segment local = segment;
        std::vector<kavrin_labels::StatisticsRow> none;
        const std::vector<kavrin_labels::StatisticsRow>* of = &none;
        if (run) {
            local.start = RunSeconds(segment.start, runs[*run].startSeconds);
            local.end = RunSeconds(segment.end, runs[*run].startSeconds);
            auto [it, added] = runRows.try_emplace(*run);
            if (added) {
                const std::size_t last =
                    *run + 1 < runs.size() ? runs[*run + 1].firstRow : rows.size();
                for (std::size_t i = runs[*run].firstRow; i < last && i < rows.size(); ++i)
                    it->second.push_back(kavrin_labels::RowFromRecord(rows[i]));
            }
            of = &it->second;
        }
        const std::vector<kavrin_labels::SegmentStatistics> one =
            kavrin_labels::ComputeSegmentStatistics(std::span<const Segment>(&local, 1), *of,
                                                    m_pane.View().minVoicedShare);
        table.insert(table.end(), one.begin(), one.end());
    }
    return table;
}

void CTimelineLabels::OnStatistics() {
    CSegmentStatisticsDlg dialog(m_frame, Statistics());
    dialog.ShowModal();
}

std::string CTimelineLabels::Import(const std::string& path) {
    const kavrin_labels::LabelReadResult read = kavrin_labels::ReadLabelFile(path);
    if (!read.error.empty()) return read.error;
    const std::optional<std::size_t> run = ShownRun();
    const double offset = run ? m_log.Segments()[*run].startSeconds : 0.0;
    for (const Segment& segment : read.labels.segments) {
        if (segment.IsMark()) {
            if (run) AddMarkNear(*run, segment.start, segment.text);
            continue;
        }
        m_segments.push_back({segment.start + offset, segment.end + offset, segment.text});
    }
    Changed();
    return {};
}

void CTimelineLabels::AddMarkNear(std::size_t run, double seconds, const std::string& text) {
    const auto& runs = m_log.Segments();
    const auto& rows = m_log.Rows();
    const std::size_t first = runs[run].firstRow;
    const std::size_t last = run + 1 < runs.size() ? runs[run + 1].firstRow : rows.size();
    if (first >= last) return;
    const double at = runs[run].startSeconds + seconds;
    std::size_t best = first;
    for (std::size_t i = first; i < last; ++i)
        if (std::abs(rows[i].timelineSeconds - at) < std::abs(rows[best].timelineSeconds - at))
            best = i;
    m_log.AddMarkAt(best, text);
}

std::string CTimelineLabels::Export(const std::string& path) const {
    const std::optional<std::size_t> run = ShownRun();
    if (!run) return "There is nothing in the timeline to export labels of";
    LabelSet labels = LabelsOfRun(*run);
    // With what the sidecar holds beyond the part of the file played.
    for (const auto& [recording, kept] : m_kept)
        if (kept.run == *run && kept.offset == 0.0) labels.segments = LabelsToKeep(kept).segments;
    return kavrin_labels::WriteLabelFile(path, labels, labels.media);
}

void CTimelineLabels::OnImport() {
    platform::OpenFileRequest request;
    request.title = "Import Labels";
    request.extraFilters.push_back({"Label files", {"*.txt", "*.TextGrid", "*.eaf"}});
    request.extraFilters.push_back({"All Files (*.*)", {"*"}});
    request.mustExist = true;
    const std::optional<std::string> path = platform::AskOpenFileName(request);
    if (!path || path->empty()) return;
    const std::string error = Import(*path);
    if (!error.empty()) platform::ShowMessage(error);
}

void CTimelineLabels::OnExport() {
    const std::optional<std::size_t> run = ShownRun();
    std::string name = "labels.txt";
    if (run && !m_log.Segments()[*run].name.empty()) {
        name = BaseName(m_log.Segments()[*run].name);
        const std::size_t dot = name.find_last_of('.');
        name = (dot == std::string::npos ? name : name.substr(0, dot)) + ".TextGrid";
    }
    const std::string path =
        AskTimelinePath(m_frame, "Export Labels", name, kavrin_labels::LabelFileFilter());
    if (path.empty()) return;
    const std::string error = Export(path);
    if (!error.empty()) platform::ShowMessage(error);
}

void CTimelineLabels::TakeNewRuns() {
    const auto& runs = m_log.Segments();
    bool any = false;
    for (; m_seenRuns < runs.size(); ++m_seenRuns) {
        const CEvaluationLog::Segment& run = runs[m_seenRuns];
        if (m_seenRuns > 0) HoldBeyond(m_seenRuns - 1, run.startSeconds);
        const bool recording =
            run.analyzer == kTimelineReviewAnalyzer || run.analyzer == kTimelineFileAnalyzer;
        if (recording && !run.name.empty() && LoadKept(m_seenRuns)) any = true;
    }
    PlaceHeldMarks();
    if (any) RefreshBaseline();
}

bool CTimelineLabels::LoadKept(std::size_t run) {
    const CEvaluationLog::Segment& info = m_log.Segments()[run];
    // The newest run of a recording is the one its sidecar holds.
    KeptRecording& kept = m_kept[info.name];
    kept = KeptRecording{};
    kept.run = run;
    bool found = false;
    const kavrin_labels::LabelReadResult read = kavrin_labels::LoadSidecar(info.name, &found);
    if (!read.error.empty()) {
        Status("Labels of " + BaseName(info.name) + " not read: " + read.error);
        return false;
    }
    if (!found) return false;
    kept.saved = true;
    for (const Segment& segment : read.labels.segments) {
        if (segment.IsMark())
            kept.held.push_back(segment);  // a mark needs its row
        else
            m_segments.push_back(
                {segment.start + info.startSeconds, segment.end + info.startSeconds, segment.text});
    }
    if (read.labels.baseline)
        m_baseline = Segment{read.labels.baseline->start + info.startSeconds,
                             read.labels.baseline->end + info.startSeconds,
                             {}};
    return true;
}

void CTimelineLabels::PlaceHeldMarks() {
    const auto& runs = m_log.Segments();
    const auto& rows = m_log.Rows();
    for (auto& [path, kept] : m_kept) {
        const std::size_t last =
            kept.run + 1 < runs.size() ? runs[kept.run + 1].firstRow : rows.size();
        if (kept.held.empty() || last <= runs[kept.run].firstRow) continue;
        // A review's rows are all in; a playing file's reach its marks one after the other.
        // The row at or after a mark is there: no row still to come lies nearer.
        const double reached =
            runs[kept.run].analyzer == kTimelineReviewAnalyzer
                ? std::numeric_limits<double>::infinity()
                : rows[last - 1].timelineSeconds - runs[kept.run].startSeconds - kept.offset + 1e-6;
        std::vector<Segment> held;
        for (const Segment& segment : kept.held) {
            if (segment.IsMark() && segment.start <= reached)
                AddMarkNear(kept.run, kept.offset + segment.start, segment.text);
            else
                held.push_back(segment);
        }
        kept.held = std::move(held);
    }
}

void CTimelineLabels::HoldBeyond(std::size_t run, double end) {
    for (auto& [path, kept] : m_kept) {
        if (kept.run != run) continue;
        // Beyond the end they would fall in the next run's stretch of the axis, and be lost to
        // this recording's sidecar.
        const double origin = m_log.Segments()[run].startSeconds + kept.offset;
        const auto beyond =
            std::stable_partition(m_segments.begin(), m_segments.end(),
                                  [end](const Segment& s) { return s.start < end; });
        for (auto it = beyond; it != m_segments.end(); ++it)
            kept.held.push_back(
                {RunSeconds(it->start, origin), RunSeconds(it->end, origin), it->text});
        m_segments.erase(beyond, m_segments.end());
    }
}

void CTimelineLabels::KeepRecording(const EndedRecording& ended, std::uint32_t session) {
    const auto& runs = m_log.Segments();
    const auto& rows = m_log.Rows();
    for (std::size_t i = runs.size(); i-- > 0;) {
        if (runs[i].analyzer != kTimelineLiveAnalyzer || runs[i].session != session) continue;
        if (ended.path.empty() || runs[i].source != EvaluationSource::Line) return;
        KeptRecording kept;
        kept.run = i;
        kept.length = static_cast<double>(ended.samples) / 11025.0;
        if (!ended.wholeSession) {
            // Begun while capture ran: it ends with the run's newest block, exactly when the
            // line stopped, within a block when Record was unchecked while capture went on.
            const std::size_t last = i + 1 < runs.size() ? runs[i + 1].firstRow : rows.size();
            kept.offset =
                std::max(0.0, rows[last - 1].timelineSeconds - runs[i].startSeconds - kept.length);
        }
        m_kept[ended.path] = std::move(kept);
        Changed();
        return;
    }
}

LabelSet CTimelineLabels::LabelsToKeep(const KeptRecording& kept) const {
    LabelSet labels = LabelsOfRun(kept.run, kept.offset, kept.length);
    labels.segments.insert(labels.segments.end(), kept.held.begin(), kept.held.end());
    kavrin_labels::SortSegments(labels.segments);
    return labels;
}

void CTimelineLabels::Changed() {
    m_pane.ForgetClickedSegment();
    m_pane.Redraw();
    for (auto& [path, kept] : m_kept) {
        if (kept.run >= m_log.Segments().size()) continue;
        const LabelSet labels = LabelsToKeep(kept);
        if (labels.segments.empty() && !kept.saved) continue;
        const std::string error = kavrin_labels::SaveSidecar(path, labels);
        if (!error.empty()) {
            Status("The labels of " + BaseName(path) + " are not saved: " + error);
            continue;
        }
        kept.saved = true;
    }
}

bool CTimelineLabels::HoldsWork() const {
    return !m_segments.empty() || !m_log.Marks().empty();
}

void CTimelineLabels::Clear() {
    m_segments.clear();
    m_baseline.reset();
    m_pane.SetBaselineBand(std::nullopt);
    m_seenRuns = 0;
    m_kept.clear();
    m_pane.ForgetClickedSegment();
    m_pane.Redraw();
}

}  // namespace kavrin
