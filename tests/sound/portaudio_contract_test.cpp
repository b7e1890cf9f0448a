// PortAudio keeps the contract every driver keeps, against the real sound server.
#include <cstdlib>
#include <string>

#include "platform/portaudio_driver.h"
#include "platform/portaudio_library.h"
#include "tests/support/wave_device_contract.h"

namespace {

using wave_contract::WaveDeviceContract;

bool EnvironmentSays(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string(value) == "1";
}

std::shared_ptr<platform::WaveAudioDriver> MakeDriver() {
    if (EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER")) return nullptr;
    auto driver = platform::MakePortAudioDriver();
    if (driver->GetInputDeviceCount() > 0 && driver->GetOutputDeviceCount() > 0) return driver;
    if (EnvironmentSays("KAVRIN_EXPECT_SOUND_SERVER"))
        ADD_FAILURE() << "a sound server was expected, but PortAudio lists no default device";
    return nullptr;
}

INSTANTIATE_TEST_SUITE_P(PortAudio, WaveDeviceContract,
                         ::testing::Values(wave_contract::Target{"Server", MakeDriver, {}}),
                         wave_contract::TargetName);

}  // namespace

namespace {

// PortAudio's failures cannot be caused on demand against a server; the codes they become can
// be checked one by one.
TEST(PortAudioErrors, BecomeTheLayersCodes) {
    EXPECT_EQ(platform::ToWaveError(paNoError), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(platform::ToWaveError(paInvalidDevice), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(platform::ToWaveError(paDeviceUnavailable), platform::MMSYSERR_ALLOCATED);
    EXPECT_EQ(platform::ToWaveError(paNotInitialized), platform::MMSYSERR_NODRIVER);
    EXPECT_EQ(platform::ToWaveError(paInsufficientMemory), platform::MMSYSERR_NOMEM);
    for (PaError format : {paInvalidSampleRate, paSampleFormatNotSupported, paInvalidChannelCount})
        EXPECT_EQ(platform::ToWaveError(format), platform::WAVERR_BADFORMAT);
    EXPECT_EQ(platform::ToWaveError(paTimedOut), platform::MMSYSERR_ERROR);
}

}  // namespace
