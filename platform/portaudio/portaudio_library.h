// PortAudio for the whole process, and the devices "device 0" stands for.
//
// The library is initialised on first use and deliberately never terminated: the sources close
// their devices during static destruction, in no fixed order relative to other statics.
// PortAudio does not promise thread safety, so every call outside the stream callbacks holds
// Lock().
#pragma once

#include <portaudio.h>

#include <mutex>

#include "platform/devices/sound_device_choice.h"
#include "platform/devices/wave_audio.h"
#include "platform/devices/wave_device_core.h"

namespace platform {

class PortAudioLibrary {
public:
    static PortAudioLibrary& Instance();
    bool Ready() const { return m_ready; }
    std::mutex& Lock() { return m_lock; }

private:
    PortAudioLibrary();
    const bool m_ready;
    std::mutex m_lock;
};

struct ChosenDevice {
    PaDeviceIndex index = paNoDevice;
    const PaDeviceInfo* info = nullptr;
    int maxChannels = 0;
};

// The device of that direction the driver opens as "device 0": the chosen one
// (ChosenSoundDevice), else the system's default; "no default" is no device. A chosen device that
// PortAudio does not list gives the default and is told to the fallback hook. With the library's
// lock held.
ChosenDevice DeviceZero(SoundDirection direction);

// PortAudio's error as the waveform-audio code. With the library's lock held (the host error
// belongs to the last failed call).
MMRESULT ToWaveError(PaError error);

}  // namespace platform
