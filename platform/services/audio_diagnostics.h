// Kavrin's own diagnostics for the sound libraries. ALSA, JACK and PortAudio report every device
// they probe and fail to find, which on a machine without a card or a JACK server is a wall of
// errors for a program that works. Their messages come here instead and are written to standard
// error only when KAVRIN_DEBUG_AUDIO=1 is set; real errors still reach the user as the sources'
// message boxes.
#pragma once

#include <string_view>

namespace platform {

// True when KAVRIN_DEBUG_AUDIO=1 is set.
bool AudioDiagnosticsEnabled();

// One line "kavrin audio (LIBRARY): TEXT" on standard error, only when enabled. Callable from any
// thread, including the sound libraries' own.
void AudioDiagnostic(std::string_view library, std::string_view text);

}  // namespace platform
