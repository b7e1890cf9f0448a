// The window's side of Input > Line (Mixer) > "Record": while the item is checked, each Line On
// begins a recording of the captured blocks (and checking it while capture runs begins one at
// once); Line Off, another source or unchecking ends it. The recorder itself is the library's
// CCaptureRecorder, fed by g_liveAnalyzer's pump.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "sources/capture_recorder.h"

namespace kavrin {

// A recording that has just ended: its file, its length, and whether it holds the line's
// session from the first block (else it began while capture ran).
struct EndedRecording {
    std::string path;
    std::uint64_t samples = 0;
    bool wholeSession = false;
};

class CLiveRecording {
public:
    static CLiveRecording& Get();
    ~CLiveRecording();

    bool IsArmed() const { return m_armed; }
    // The Record command: checks or unchecks; `lineRunning` begins a recording at once.
    void Toggle(bool lineRunning);
    // Line On, before the capture opens: a recording that holds the session from its first block.
    void LineStarting();
    // Line Off (after the capture closed), another source starting.
    void LineStopped();
    // The view closing (after the capture closed): ends the recording and unchecks the item.
    void Close();

    // What the status pane shows: the file name and the length so far while recording, else "".
    // A recording that a failure ended unchecks the item here.
    std::string StatusText();

    CCaptureRecorder& Recorder() { return m_recorder; }
    // The file of the recording that ended last ("" before any has).
    const std::string& LastEndedPath() const { return m_lastEndedPath; }

    // Told of each recording that ends (the window keeps its labels beside it); the view sets
    // it while it lives.
    void SetOnEnded(std::function<void(const EndedRecording&)> onEnded) {
        m_onEnded = std::move(onEnded);
    }

private:
    void Begin(bool wholeSession);
    void End();

    bool m_armed = false;
    bool m_attached = false;
    bool m_wholeSession = false;
    std::function<void(const EndedRecording&)> m_onEnded;
    std::string m_lastEndedPath;
    CCaptureRecorder m_recorder;
};

// "kavrin-2026-12-08-031500.wav  1:23" for a path and a number of samples at 11025 Hz.
std::string RecordingStatusText(const std::string& path, unsigned long long samples);
// What the message pane says once a recording has ended: "Recording saved: PATH".
std::string RecordingSavedText(const std::string& path);

}  // namespace kavrin
