// PortAudio's devices as the user chooses among them. PortAudio takes its list of devices when
// the library starts (once per process, platform/portaudio_library.h): a device plugged in later
// is not listed, and one unplugged later is still listed but fails to open.
#pragma once

#include <portaudio.h>

#include <vector>

#include "platform/devices/sound_device_choice.h"

namespace platform {

// The devices of that direction that open 11025 Hz mono 16-bit, in PortAudio's order, each once.
// Takes the library's lock; empty when the library did not start.
std::vector<SoundDeviceId> ListSoundDevices(SoundDirection direction);

// The device of that name and host API with channels of that direction; paNoDevice when there is
// none. With the library's lock held.
PaDeviceIndex FindPortAudioDevice(SoundDirection direction, const SoundDeviceId& device);

}  // namespace platform
