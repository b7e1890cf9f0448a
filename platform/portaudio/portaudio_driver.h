// The real sound devices through PortAudio. "Device 0" is the system's default capture or
// playback device; no default device counts as no device.
#pragma once

#include <memory>

#include "platform/devices/wave_audio.h"

namespace platform {

std::shared_ptr<WaveAudioDriver> MakePortAudioDriver();

}  // namespace platform
