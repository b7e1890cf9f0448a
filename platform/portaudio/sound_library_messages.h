// ALSA and JACK print through handlers that a program may replace; PortAudio, which loads both,
// offers no hook of its own and prints its failed steps on stderr. These send all their messages
// to Kavrin's audio diagnostics.
#pragma once

namespace platform {

// Routes ALSA's error handler, JACK's error and info functions and PortAudio's lines on stderr
// into AudioDiagnostic. Call before PortAudio is initialised; later calls do nothing.
void RouteSoundLibraryMessages();

}  // namespace platform
