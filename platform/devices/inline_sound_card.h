// The headless analyzer's sound card: an output device that plays a buffer the moment it is
// written, and no input devices. Each notification is given on the calling thread and waits in
// line behind one not yet taken (AutoResetEvent::SetQueued), so a playback pump runs block after
// block on its own thread, without handing each buffer to a second thread and back.
//
// It is the shared device core (wave_device_core.h) served inline: Pause keeps later writes
// queued (no buffer plays while paused); Reset returns them, each with its notification.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/devices/wave_audio.h"

namespace platform {

class InlineSoundCard final : public WaveAudioDriver {
public:
    unsigned GetInputDeviceCount() override { return 0; }
    MMRESULT GetInputCaps(unsigned deviceId, WaveInCaps* caps) override;
    MMRESULT OpenInput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                       std::unique_ptr<WaveInDevice>* device) override;
    unsigned GetOutputDeviceCount() override { return 1; }
    MMRESULT GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) override;
    MMRESULT OpenOutput(unsigned deviceId, const WaveFormat& format, AutoResetEvent* notify,
                        std::unique_ptr<WaveOutDevice>* device) override;
};

}  // namespace platform
