#include "ui/live_recording.h"

#include <cstdio>
#include <ctime>

#include "platform/services/message_box.h"
#include "sources/global_analyzers.h"
#include "sources/recording_name.h"

namespace kavrin {

CLiveRecording& CLiveRecording::Get() {
    static CLiveRecording recording;
    return recording;
}

CLiveRecording::~CLiveRecording() {
    // The live analyzer (made before this object) outlives it: it must not keep the sink.
    g_liveAnalyzer.m_blockSink.Detach();
}

void CLiveRecording::Toggle(bool lineRunning) {
    m_armed = !m_armed;
    if (!m_armed)
        End();
    else if (lineRunning)
        Begin(false);
}

void CLiveRecording::LineStarting() {
    if (!m_armed) return;
    End();
    // A pump left running in the background (capture stopped by another source) would hand
    // over a block of the old session before the capture reopens.
    g_liveAnalyzer.EndPump();
    Begin(true);
}

void CLiveRecording::LineStopped() {
    End();
}

void CLiveRecording::Close() {
    End();
    m_armed = false;
}

void CLiveRecording::Begin(bool wholeSession) {
    std::string error;
    const std::string path = NewRecordingPath(RecordingFolder(), std::time(nullptr), &error);
    if (path.empty()) {
        m_armed = false;
        platform::ShowMessage("Cannot record: " + error);
        return;
    }
    if (!m_recorder.Start(path)) {
        m_armed = false;
        return;
    }
    g_liveAnalyzer.m_blockSink.Attach(&m_recorder);
    m_attached = true;
    m_wholeSession = wholeSession;
}

void CLiveRecording::End() {
    if (!m_attached) return;
    // Waits out a block the pump is handing over right now, so that it cannot reach the
    // recorder after the stop below (or open the next recording).
    g_liveAnalyzer.m_blockSink.Detach();
    m_attached = false;
    m_recorder.Stop();
    m_lastEndedPath = m_recorder.Path();
    if (m_onEnded) m_onEnded({m_recorder.Path(), m_recorder.SamplesWritten(), m_wholeSession});
}

std::string CLiveRecording::StatusText() {
    if (!m_attached) return "";
    if (!m_recorder.IsRecording()) {
        // A full disk or a vanished folder ended it; the message has been shown.
        End();
        m_armed = false;
        return "";
    }
    return RecordingStatusText(m_recorder.Path(), m_recorder.SamplesWritten());
}

std::string RecordingStatusText(const std::string& path, unsigned long long samples) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const unsigned long long seconds = samples / 11025;
    char length[32];
    if (seconds >= 3600)
        std::snprintf(length, sizeof(length), "%llu:%02llu:%02llu", seconds / 3600,
                      seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(length, sizeof(length), "%llu:%02llu", seconds / 60, seconds % 60);
    return name + "  " + length;
}

std::string RecordingSavedText(const std::string& path) {
    return "Recording saved: " + path;
}

}  // namespace kavrin
