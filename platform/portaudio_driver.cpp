// Placeholder until the PortAudio driver lands: a machine with no sound devices.
#include "platform/portaudio_driver.h"

namespace platform {
namespace {

class NoDeviceDriver final : public WaveAudioDriver {
public:
    unsigned GetInputDeviceCount() override { return 0; }
    MMRESULT GetInputCaps(unsigned, WaveInCaps*) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT OpenInput(unsigned, const WaveFormat&, AutoResetEvent*,
                       std::unique_ptr<WaveInDevice>*) override {
        return MMSYSERR_BADDEVICEID;
    }
    unsigned GetOutputDeviceCount() override { return 0; }
    MMRESULT GetOutputCaps(unsigned, WaveOutCaps*) override { return MMSYSERR_BADDEVICEID; }
    MMRESULT OpenOutput(unsigned, const WaveFormat&, AutoResetEvent*,
                        std::unique_ptr<WaveOutDevice>*) override {
        return MMSYSERR_BADDEVICEID;
    }
};

}  // namespace

std::shared_ptr<WaveAudioDriver> MakePortAudioDriver() { return std::make_shared<NoDeviceDriver>(); }

}  // namespace platform
