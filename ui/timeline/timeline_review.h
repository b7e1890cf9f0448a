// The review of a recording in the timeline: Timeline > Review Recording... (and `kavrin FILE`)
// decodes and analyses a recording whole on a worker, shows progress in the status bar, then
// adds its rows to the timeline as a segment of their own, fitted into view, with the
// recording's level under the plot. Space plays from the playhead or the selection through the
// chosen output device, and pauses; the playhead follows the sound.
//
// Threads: user-interface thread only; the worker hands its result over through the event queue.
#pragma once

#include <wx/event.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "analysis/evaluation_log.h"
#include "platform/portaudio/portaudio_recording_player.h"
#include "sources/recording_review.h"

namespace kavrin {

class CTimelinePane;

inline constexpr int kTimelineReviewAnalyzer = 2;

class CTimelineReview : public wxEvtHandler {
public:
    // The form's "Volume adjust" and "Threshold adjust" as a start command reads them.
    using AdjustValues = std::function<std::pair<std::int32_t, std::int32_t>()>;
    // The lamp reference the rows are judged against (the latest tick's, or the preset).
    using LampReference = std::function<std::int32_t(std::int32_t thresholdAdjust)>;

    CTimelineReview(wxFrame* frame, CEvaluationLog& log, CTimelinePane& pane,
                    std::function<void()> showTimeline);
    ~CTimelineReview() override;

    void SetAdjustValues(AdjustValues values) { m_adjustValues = std::move(values); }
    void SetLampReference(LampReference reference) { m_lampReference = std::move(reference); }

    // Asks for a recording (the open-file seam) and reviews it.
    void OnReview();
    void Start(const std::string& path);
    void Cancel();
    bool Running() const { return m_review.Running() || m_pending; }
    // Play from the playhead or the selection, or pause what plays.
    void PlayPause();
    bool Playing() const { return m_player.Playing(); }
    void SetLoop(bool loop) { m_loop = loop; }
    bool Loop() const { return m_loop; }
    // Timeline > Clear: the recording's level, the playhead and the sound go with the rows.
    void Forget();

    // The reviewed recording's path ("" before the first), where it lies on the timeline and
    // how long it is.
    const std::string& Path() const { return m_path; }
    double StartSeconds() const { return m_start; }
    double LengthSeconds() const;
    // What the last finished review left: rows added, or the message shown.
    std::size_t LastRows() const { return m_lastRows; }

private:
    void OnDone();
    void OnProgressTimer(wxTimerEvent&);
    void OnPlayTimer(wxTimerEvent&);
    void Status(const std::string& text);

    wxFrame* m_frame;
    CEvaluationLog& m_log;
    CTimelinePane& m_pane;
    std::function<void()> m_showTimeline;
    AdjustValues m_adjustValues;
    LampReference m_lampReference;
    CRecordingReview m_review;
    std::unique_ptr<ReviewResult> m_result;  // the shown recording's level
    platform::CRecordingPlayer m_player;
    wxTimer m_progressTimer;
    wxTimer m_playTimer;
    std::string m_reviewing;  // the path under review
    std::string m_path;       // the path shown
    double m_start = 0.0;
    double m_playFrom = 0.0;  // timeline seconds where the sound started
    std::uint32_t m_session = 0;
    std::size_t m_lastRows = 0;
    bool m_pending = false;  // a finished review whose result is on its way
    bool m_loop = false;
};

}  // namespace kavrin
