#include "ui/timeline/timeline_review.h"

#include <wx/statusbr.h>

#include <algorithm>
#include <cmath>

#include "labels/segment_statistics.h"
#include "platform/audio_files/audio_decoder.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"
#include "ui/tick_computation.h"
#include "ui/timeline/timeline_layout.h"
#include "ui/timeline/timeline_pane.h"

namespace kavrin {
namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CTimelineReview::CTimelineReview(wxFrame* frame, CEvaluationLog& log, CTimelinePane& pane,
                                 std::function<void()> showTimeline)
    : m_frame(frame), m_log(log), m_pane(pane), m_showTimeline(std::move(showTimeline)) {
    m_progressTimer.SetOwner(this);
    m_playTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &CTimelineReview::OnProgressTimer, this, m_progressTimer.GetId());
    Bind(wxEVT_TIMER, &CTimelineReview::OnPlayTimer, this, m_playTimer.GetId());
    m_pane.m_onPlayPause = [this] { PlayPause(); };
    m_pane.m_onEscape = [this] { Cancel(); };
    m_pane.m_onPlayheadSet = [this](double seconds) {
        // A click while playing moves the sound there too.
        if (m_player.Playing()) {
            m_player.Stop();
            m_pane.SetPlayhead(seconds);
            PlayPause();
        }
    };
}

CTimelineReview::~CTimelineReview() {
    m_progressTimer.Stop();
    m_playTimer.Stop();
    m_pane.m_onPlayPause = nullptr;
    m_pane.m_onEscape = nullptr;
    m_pane.m_onPlayheadSet = nullptr;
    m_pane.SetEnvelope(nullptr, 0.0);
    m_player.Stop();
    m_review.Cancel();
    m_review.Wait();
}

void CTimelineReview::Status(const std::string& text) {
    if (m_frame->GetStatusBar()) m_frame->SetStatusText(wxString::FromUTF8(text), 0);
}

void CTimelineReview::OnReview() {
    platform::OpenFileRequest request;
    request.title = "Recording to review";
    platform::OpenFileFilter audio;
    audio.label = "Audio Files";
    for (const std::string& extension : platform::DecodableExtensions())
        audio.patterns.push_back("*." + extension);
    request.extraFilters.push_back(std::move(audio));
    request.extraFilters.push_back({"All Files (*.*)", {"*"}});
    request.mustExist = true;
    const std::optional<std::string> path = platform::AskOpenFileName(request);
    if (path && !path->empty()) Start(*path);
}

void CTimelineReview::Start(const std::string& path) {
    Cancel();
    m_review.Wait();
    // A result still queued from the cancelled review is dropped when it arrives.
    const auto [volume, threshold] =
        m_adjustValues ? m_adjustValues() : std::make_pair(std::int32_t{10}, std::int32_t{75});
    m_reviewing = path;
    m_pending = true;
    m_review.Start(path, volume, threshold, [this] { CallAfter(&CTimelineReview::OnDone); });
    Status("Reviewing " + BaseName(path) + "...");
    // The message pane is narrow at the form's width: the pane shows the progress too.
    if (m_showTimeline) m_showTimeline();
    m_pane.SetFocus();  // so that Escape reaches it
    m_pane.SetProgress("Reviewing " + BaseName(path) + "... (Escape cancels)");
    m_progressTimer.Start(150);
}

void CTimelineReview::Cancel() {
    if (m_review.Running()) m_review.Cancel();
}

double CTimelineReview::LengthSeconds() const {
    return m_result ? m_result->envelope.Seconds() : 0.0;
}

void CTimelineReview::OnProgressTimer(wxTimerEvent&) {
    if (!m_review.Running()) return;
    const std::uint64_t total = m_review.FramesTotal();
    const std::uint64_t read = m_review.FramesRead();
    std::string text = "Reviewing " + BaseName(m_reviewing);
    if (total > 0)
        text += ": " + std::to_string(std::min<std::uint64_t>(100, read * 100 / total)) + " %";
    Status(text + " (Escape cancels)");
    m_pane.SetProgress(text + " (Escape cancels)");
}

void CTimelineReview::OnDone() {
    if (m_review.Running()) return;  // a newer review is under way; its own result follows
    m_pending = false;
    m_progressTimer.Stop();
    m_pane.SetProgress({});
    std::unique_ptr<ReviewResult> result = m_review.Take();
    if (!result) return;
    if (!result->error.empty()) {
        Status("");
        platform::ShowMessage(result->error);
        return;
    }
    if (result->cancelled) {
        Status("Review of " + BaseName(result->path) + " cancelled");
        return;
    }
    m_player.Stop();
    m_playTimer.Stop();
    const std::int32_t threshold = m_adjustValues ? m_adjustValues().second : std::int32_t{75};
    const std::int32_t reference =
        m_lampReference ? m_lampReference(threshold) : LampPreset(threshold);
    const std::size_t before = m_log.Rows().size();
    ++m_session;
    for (EvaluationRow row : result->rows) {
        row.session = m_session;
        row.lampReference = reference;
        row.lamp = kavrin_labels::ToEvaluationLamp(LampFor(reference, row.instFreq));
        m_log.Append(kTimelineReviewAnalyzer, row, result->path);
    }
    m_lastRows = m_log.Rows().size() - before;
    // Rows are in the log now; the level stays for drawing.
    result->rows.clear();
    result->rows.shrink_to_fit();
    m_start = m_log.Segments().empty() || m_lastRows == 0 ? m_log.EndSeconds()
                                                          : m_log.Segments().back().startSeconds;
    m_path = result->path;
    // The pane draws from the envelope: it takes the new one before the old one goes.
    m_pane.SetEnvelope(&result->envelope, m_start);
    m_result = std::move(result);
    m_pane.SetSelection(std::nullopt);
    m_pane.SetPlayhead(m_start);
    if (m_showTimeline) m_showTimeline();
    m_pane.SetView(
        FitTimeline(m_start, m_start + std::max(LengthSeconds(), m_log.EndSeconds() - m_start)));
    std::string text = "Reviewed " + BaseName(m_path) + ": " + std::to_string(m_lastRows) +
                       " evaluations, " + FormatHoursMinutesSeconds(LengthSeconds());
    if (!m_result->warning.empty()) text += " (" + m_result->warning + ")";
    Status(text);
}

void CTimelineReview::PlayPause() {
    if (m_player.Playing()) {
        m_player.Stop();
        m_playTimer.Stop();
        m_pane.SetPlayhead(m_start + m_player.Position());
        return;
    }
    if (!m_result) return;
    const auto& overlay = m_pane.Overlay();
    double from = overlay.playhead.value_or(m_start);
    double to = -1.0;
    bool loop = false;
    if (overlay.selection) {
        from = overlay.selection->first;
        to = overlay.selection->second;
        loop = m_loop;
    }
    // Timeline seconds to seconds of the recording.
    from = std::max(0.0, from - m_start);
    if (from >= LengthSeconds()) from = 0.0;
    if (to >= 0.0) to = std::max(0.0, to - m_start);
    const std::string error = m_player.Play(m_path, from, to, loop);
    if (!error.empty()) {
        platform::ShowMessage(error);
        return;
    }
    m_playTimer.Start(40);
}

void CTimelineReview::OnPlayTimer(wxTimerEvent&) {
    const double at = m_start + m_player.Position();
    m_pane.SetPlayhead(at);
    m_pane.KeepInView(at);
    if (!m_player.Playing()) {
        m_player.Stop();
        m_playTimer.Stop();
    }
}

void CTimelineReview::Forget() {
    m_player.Stop();
    m_playTimer.Stop();
    m_pane.SetEnvelope(nullptr, 0.0);
    m_pane.SetPlayhead(std::nullopt);
    m_pane.SetSelection(std::nullopt);
    m_result.reset();
    m_path.clear();
    m_start = 0.0;
}

}  // namespace kavrin
