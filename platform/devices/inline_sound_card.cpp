#include "platform/devices/inline_sound_card.h"

#include "platform/devices/wave_device_core.h"

namespace platform {
namespace {

// Plays whatever is queued, the moment the device runs.
class InlineTransport final : public WaveTransport {
public:
    explicit InlineTransport(const WaveFormat& format) : m_format(format) {}

    MMRESULT SetRunning(bool) override { return MMSYSERR_NOERROR; }
    void Discard() override {}
    void Shut() override {}

    std::size_t Move(std::deque<QueuedBuffer>& queue, bool running, bool, DeviceClock::time_point,
                     std::optional<DeviceClock::time_point>*) override {
        if (!running) return 0;
        for (QueuedBuffer& buffer : queue) buffer.samples = SamplesIn(m_format, *buffer.header);
        return queue.size();
    }

private:
    const WaveFormat m_format;
};

}  // namespace

MMRESULT InlineSoundCard::GetInputCaps(unsigned, WaveInCaps*) {
    return MMSYSERR_BADDEVICEID;
}

MMRESULT InlineSoundCard::OpenInput(unsigned, const WaveFormat&, AutoResetEvent*,
                                    std::unique_ptr<WaveInDevice>*) {
    return MMSYSERR_BADDEVICEID;
}

MMRESULT InlineSoundCard::GetOutputCaps(unsigned deviceId, WaveOutCaps* caps) {
    if (deviceId != 0) return MMSYSERR_BADDEVICEID;
    if (caps == nullptr) return MMSYSERR_INVALPARAM;
    caps->name = "Headless output";
    caps->channels = 2;
    return MMSYSERR_NOERROR;
}

MMRESULT InlineSoundCard::OpenOutput(unsigned deviceId, const WaveFormat& format,
                                     AutoResetEvent* notify,
                                     std::unique_ptr<WaveOutDevice>* device) {
    if (MMRESULT check = CheckOpen(deviceId == 0, notify, device != nullptr, format, 2))
        return check;
    auto core = std::make_shared<WaveDeviceCore>(SoundDirection::Out, format, notify,
                                                 WaveDeviceCore::Service::Inline);
    core->Begin(std::make_unique<InlineTransport>(format));
    *device = MakeWaveOut(std::move(core));
    return MMSYSERR_NOERROR;
}

}  // namespace platform
