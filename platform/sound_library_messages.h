// ALSA and JACK print through handlers that a program may replace; PortAudio, which loads both,
// offers no hook of its own. These send their messages to Kavrin's audio diagnostics.
#pragma once

namespace platform {

// Routes ALSA's error handler and JACK's error and info functions into AudioDiagnostic. Call
// before PortAudio is initialised; later calls do nothing.
void RouteSoundLibraryMessages();

}  // namespace platform
