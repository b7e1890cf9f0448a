#include "platform/devices/null_wave_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/devices/wave_audio.h"
#include "platform/services/message_box.h"
#include "sources/live_analyzer.h"
#include "tests/support/wave_test_support.h"

namespace {

TEST(NullWaveDriver, IsTheDefaultAndHasNoDevicesEitherWay) {
    platform::SetWaveAudioDriver(nullptr);
    platform::WaveAudioDriver& audio = platform::WaveAudio();
    EXPECT_EQ(audio.GetInputDeviceCount(), 0u);
    EXPECT_EQ(audio.GetOutputDeviceCount(), 0u);
    platform::WaveInCaps inCaps;
    platform::WaveOutCaps outCaps;
    EXPECT_EQ(audio.GetInputCaps(0, &inCaps), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(audio.GetOutputCaps(0, &outCaps), platform::MMSYSERR_BADDEVICEID);

    platform::AutoResetEvent event("WaveInThreadEvent");
    std::unique_ptr<platform::WaveInDevice> in;
    std::unique_ptr<platform::WaveOutDevice> out;
    EXPECT_EQ(audio.OpenInput(0, wave_test::Format(), &event, &in), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(audio.OpenOutput(0, wave_test::Format(), &event, &out),
              platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(event.IsSignalled());  // nothing opened, nothing notified
}

TEST(NullWaveDriver, LineOnWithoutAnInstalledDriverSaysThereIsNoSoundDevice) {
    platform::SetWaveAudioDriver(nullptr);
    std::vector<std::string> shown;
    platform::SetMessagePresenter(
        [&](const std::string& text, platform::MessageIcon) { shown.push_back(text); });
    auto analyzer = std::make_unique<CLiveAnalyzer>();
    EXPECT_EQ(analyzer->OpenCapture(), 0);
    analyzer->CloseCapture();
    analyzer.reset();
    platform::SetMessagePresenter(nullptr);
    EXPECT_EQ(shown, (std::vector<std::string>{"No Sound Device"}));
}

}  // namespace
