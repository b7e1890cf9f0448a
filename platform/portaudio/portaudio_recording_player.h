// Plays a stretch of a recording through the chosen output device, for listening while a
// recording is reviewed: as recorded (its own rate and channels) where the device takes that,
// else as the analysis hears it (16-bit mono at 11025 Hz). Playing reads the file again; it
// never touches what was analysed.
//
// Threads: every method runs on one thread (the user-interface thread). A reader thread of its
// own fills a ring that PortAudio's callback empties; the callback neither blocks nor allocates.
// A stream is ended on PortAudio's closer thread, so a sound server that stopped answering never
// freezes the caller.
#pragma once

#include <memory>
#include <string>

namespace platform {

class CRecordingPlayer {
public:
    CRecordingPlayer();
    ~CRecordingPlayer();
    CRecordingPlayer(const CRecordingPlayer&) = delete;
    CRecordingPlayer& operator=(const CRecordingPlayer&) = delete;

    // Plays `path` from `from` seconds to `to` (to the end when `to` is not after `from`); with
    // `loop`, again from `from` each time the end is reached. Stops what played before. Returns
    // an empty string, or why nothing plays ("No Sound Output Device", the file's error).
    std::string Play(const std::string& path, double from, double to, bool loop);
    // Stops at once; Position() stays where it was.
    void Stop();
    // True until the stretch has played out or Stop.
    bool Playing() const;
    // The second of the recording being heard now.
    double Position() const;
    // "48000 Hz stereo" or "11025 Hz mono (converted)": what the device was given.
    std::string Format() const;

private:
    struct Run;
    std::shared_ptr<Run> m_run;
    double m_stoppedAt = 0.0;
};

}  // namespace platform
