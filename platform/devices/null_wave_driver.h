// The driver of a program that installed none: it has no devices, so every source started on it
// reports that there is no sound device. The library itself never reaches a sound system; the
// window installs the real driver at start-up (portaudio_driver.h).
#pragma once

#include <memory>

#include "platform/devices/wave_audio.h"

namespace platform {

std::shared_ptr<WaveAudioDriver> MakeNullWaveDriver();

}  // namespace platform
