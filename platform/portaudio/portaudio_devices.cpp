#include "platform/portaudio/portaudio_devices.h"

#include <algorithm>
#include <mutex>

#include "platform/portaudio/portaudio_library.h"

namespace platform {
namespace {

// The rate, channels and sample form every source opens with.
constexpr double kSampleRate = 11025.0;

int Channels(const PaDeviceInfo& info, SoundDirection direction) {
    return direction == SoundDirection::In ? info.maxInputChannels : info.maxOutputChannels;
}

SoundDeviceId IdOf(const PaDeviceInfo& info) {
    SoundDeviceId id;
    id.name = info.name != nullptr ? info.name : "";
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info.hostApi);
    if (host != nullptr && host->name != nullptr) id.hostApi = host->name;
    return id;
}

bool OpensOurFormat(PaDeviceIndex index, const PaDeviceInfo& info, SoundDirection direction) {
    PaStreamParameters parameters{};
    parameters.device = index;
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = direction == SoundDirection::In ? info.defaultHighInputLatency
                                                                  : info.defaultHighOutputLatency;
    const bool in = direction == SoundDirection::In;
    return Pa_IsFormatSupported(in ? &parameters : nullptr, in ? nullptr : &parameters,
                                kSampleRate) == paFormatIsSupported;
}

}  // namespace

std::vector<SoundDeviceId> ListSoundDevices(SoundDirection direction) {
    std::vector<SoundDeviceId> devices;
    PortAudioLibrary& library = PortAudioLibrary::Instance();
    std::lock_guard<std::mutex> pa(library.Lock());
    if (!library.Ready()) return devices;
    const PaDeviceIndex count = std::max<PaDeviceIndex>(Pa_GetDeviceCount(), 0);
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info == nullptr || Channels(*info, direction) <= 0) continue;
        SoundDeviceId id = IdOf(*info);
        // A second device of the same name and host API could not be told from the first.
        if (id.IsSystemDefault() || FindSoundDevice(devices, id)) continue;
        if (OpensOurFormat(index, *info, direction)) devices.push_back(std::move(id));
    }
    return devices;
}

PaDeviceIndex FindPortAudioDevice(SoundDirection direction, const SoundDeviceId& device) {
    if (device.IsSystemDefault()) return paNoDevice;
    const PaDeviceIndex count = std::max<PaDeviceIndex>(Pa_GetDeviceCount(), 0);
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info != nullptr && Channels(*info, direction) > 0 && IdOf(*info) == device)
            return index;
    }
    return paNoDevice;
}

}  // namespace platform
