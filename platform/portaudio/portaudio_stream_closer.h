// Ends PortAudio streams off the caller's thread. Aborting a stream can wait on the sound server
// for as long as the server has stopped answering (ALSA's pulse plugin waits on it without a time
// limit), and the caller is often the window's thread.
#pragma once

#include <portaudio.h>

#include <chrono>
#include <memory>

namespace platform {

// Aborts and closes the stream on a thread of its own; `keep` (what the stream's callback uses)
// lives until the stream is closed. Waits up to `patience` for that: true if it is closed
// by then, false if it is still being ended in the background.
bool CloseStreamSoon(PaStream* stream, std::shared_ptr<void> keep,
                     std::chrono::milliseconds patience);

}  // namespace platform
