// The waveform-audio layer's own description of a result code, for codes that the caller has no
// text of its own for: a message box never says nothing.
#pragma once

#include <string>

#include "platform/devices/wave_audio.h"

namespace platform {

// For example "Unspecified error." for MMSYSERR_ERROR; a code the layer does not know is named
// by its number.
std::string WaveErrorText(MMRESULT code);

}  // namespace platform
