// Which sound device Line On and File open as "device 0", chosen by the user and remembered by
// the window. A device is known by its name and its host API's name: PortAudio's indices change
// from one run to the next. No PortAudio and no toolkit here, so that the rules are tested on
// their own; platform/portaudio_devices.h applies them to PortAudio's list.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/devices/sound_direction.h"

namespace platform {

struct SoundDeviceId {
    std::string name;     // empty: the system default
    std::string hostApi;  // "ALSA", "JACK Audio Connection Kit", ...

    bool IsSystemDefault() const { return name.empty(); }
    friend bool operator==(const SoundDeviceId&, const SoundDeviceId&) = default;
};

// The place of `wanted` in `available`: its first entry of the same name and host API. Nothing
// for the system default, and for a device that is not there.
std::optional<std::size_t> FindSoundDevice(const std::vector<SoundDeviceId>& available,
                                           const SoundDeviceId& wanted);

// "System default", or "name (host API)" as the device dialog lists it.
std::string SoundDeviceLabel(const SoundDeviceId& device);

// What the status bar says when a chosen device is not there and the system default opens in
// its place: Not found: "name (host API)"; using the system default input (or output).
std::string SoundDeviceFallbackNote(SoundDirection direction, const SoundDeviceId& gone);

// The device each direction opens from now on; the system default until one is chosen. Any
// thread.
void SetChosenSoundDevice(SoundDirection direction, SoundDeviceId device);
SoundDeviceId ChosenSoundDevice(SoundDirection direction);

// Told, on the thread that opens, each time a chosen device is not found and the system default
// stands in for it. The hook must not open or list devices, nor ask or set the choice. Nothing (the
// default) tells nobody.
using SoundDeviceFallbackHook = std::function<void(SoundDirection, const SoundDeviceId& gone)>;
void SetSoundDeviceFallbackHook(SoundDeviceFallbackHook hook);
void NoteSoundDeviceFallback(SoundDirection direction, const SoundDeviceId& gone);

}  // namespace platform
