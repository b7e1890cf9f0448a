#include "platform/devices/null_wave_driver.h"

namespace platform {
namespace {

class NullWaveDriver final : public WaveAudioDriver {
public:
    unsigned GetInputDeviceCount() override { return 0; }
    MMRESULT GetInputCaps(unsigned, WaveInCaps*) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT OpenInput(unsigned, const WaveFormat&, AutoResetEvent*,
                       std::unique_ptr<WaveInDevice>* device) override {
        if (device) device->reset();
        return MMSYSERR_BADDEVICEID;
    }
    unsigned GetOutputDeviceCount() override { return 0; }
    MMRESULT GetOutputCaps(unsigned, WaveOutCaps*) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT OpenOutput(unsigned, const WaveFormat&, AutoResetEvent*,
                        std::unique_ptr<WaveOutDevice>* device) override {
        if (device) device->reset();
        return MMSYSERR_BADDEVICEID;
    }
};

}  // namespace

std::shared_ptr<WaveAudioDriver> MakeNullWaveDriver() {
    return std::make_shared<NullWaveDriver>();
}

}  // namespace platform
