// PortAudio keeps the contract every driver keeps, against the real sound server.
#include <cstdlib>
#include <string>

#include "platform/portaudio/portaudio_driver.h"
#include "platform/portaudio/portaudio_library.h"
#include "tests/sound/server_driver.h"
#include "tests/support/wave_device_contract.h"

namespace {

using wave_contract::WaveDeviceContract;

std::shared_ptr<platform::WaveAudioDriver> MakeDriver() {
    std::string whyNot;
    return sound_test::ServerDriver(&whyNot);
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
