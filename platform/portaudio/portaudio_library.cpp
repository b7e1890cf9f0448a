#include "platform/portaudio/portaudio_library.h"

#include <cerrno>

#include "platform/portaudio/portaudio_devices.h"
#include "platform/portaudio/sound_library_messages.h"

namespace platform {

PortAudioLibrary& PortAudioLibrary::Instance() {
    static PortAudioLibrary* library = new PortAudioLibrary;
    return *library;
}

// The probing of every ALSA and JACK device is not the user's business.
PortAudioLibrary::PortAudioLibrary()
    : m_ready((RouteSoundLibraryMessages(), Pa_Initialize() == paNoError)) {}

ChosenDevice DeviceZero(SoundDirection direction) {
    ChosenDevice device;
    if (!PortAudioLibrary::Instance().Ready()) return device;
    const SoundDeviceId chosen = ChosenSoundDevice(direction);
    PaDeviceIndex index = FindPortAudioDevice(direction, chosen);
    if (index == paNoDevice && !chosen.IsSystemDefault())
        NoteSoundDeviceFallback(direction, chosen);
    if (index == paNoDevice)
        index = direction == SoundDirection::In ? Pa_GetDefaultInputDevice()
                                                : Pa_GetDefaultOutputDevice();
    if (index == paNoDevice) return device;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info == nullptr) return device;
    const int channels =
        direction == SoundDirection::In ? info->maxInputChannels : info->maxOutputChannels;
    if (channels <= 0) return device;
    device.index = index;
    device.info = info;
    device.maxChannels = channels;
    return device;
}

MMRESULT ToWaveError(PaError error) {
    switch (error) {
        case paNoError:
            return MMSYSERR_NOERROR;
        case paDeviceUnavailable:
            return MMSYSERR_ALLOCATED;
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
        case paInvalidChannelCount:
            return WAVERR_BADFORMAT;
        case paInvalidDevice:
            return MMSYSERR_BADDEVICEID;
        case paInsufficientMemory:
            return MMSYSERR_NOMEM;
        case paNotInitialized:
            return MMSYSERR_NODRIVER;
        case paUnanticipatedHostError: {
            const PaHostErrorInfo* host = Pa_GetLastHostErrorInfo();
            if (host != nullptr && host->errorCode == -EBUSY) return MMSYSERR_ALLOCATED;
            return MMSYSERR_ERROR;
        }
        default:
            return MMSYSERR_ERROR;
    }
}

}  // namespace platform
