// The device choice on the real PortAudio, against the private PulseAudio of
// scripts/with-pulseaudio.sh: the listed devices, a chosen device as the driver's "device 0",
// and a chosen device that is not there giving the system default and a note.
#include "platform/portaudio/portaudio_devices.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/devices/sound_device_choice.h"
#include "platform/portaudio/portaudio_driver.h"
#include "tests/sound/server_driver.h"
#include "tests/support/wave_test_support.h"

namespace {

using platform::SoundDeviceId;
using platform::SoundDirection;

class PortAudioDevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        m_driver = sound_test::ServerDriver(&whyNot);
        if (m_driver == nullptr) GTEST_SKIP() << whyNot;
        platform::SetSoundDeviceFallbackHook(
            [this](SoundDirection direction, const SoundDeviceId& gone) {
                m_notes.push_back(platform::SoundDeviceFallbackNote(direction, gone));
            });
    }
    void TearDown() override {
        platform::SetSoundDeviceFallbackHook(nullptr);
        platform::SetChosenSoundDevice(SoundDirection::In, {});
        platform::SetChosenSoundDevice(SoundDirection::Out, {});
    }

    std::string InputName() {
        platform::WaveInCaps caps;
        EXPECT_EQ(m_driver->GetInputCaps(0, &caps), platform::MMSYSERR_NOERROR);
        return caps.name;
    }
    std::string OutputName() {
        platform::WaveOutCaps caps;
        EXPECT_EQ(m_driver->GetOutputCaps(0, &caps), platform::MMSYSERR_NOERROR);
        return caps.name;
    }

    std::shared_ptr<platform::WaveAudioDriver> m_driver;
    std::vector<std::string> m_notes;
};

TEST(PortAudioDevicesWithoutServer, ListsNone) {
    if (!sound_test::EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER"))
        GTEST_SKIP() << "only when KAVRIN_EXPECT_NO_SOUND_SERVER=1";
    EXPECT_TRUE(platform::ListSoundDevices(SoundDirection::In).empty());
    EXPECT_TRUE(platform::ListSoundDevices(SoundDirection::Out).empty());
}

TEST_F(PortAudioDevicesTest, ListsTheServersDevicesEachOnceWithTheirHostApi) {
    for (const SoundDirection direction : {SoundDirection::In, SoundDirection::Out}) {
        const std::vector<SoundDeviceId> devices = platform::ListSoundDevices(direction);
        ASSERT_FALSE(devices.empty());
        // ALSA's pulse plugin: its "pulse" device reaches the server.
        EXPECT_TRUE(platform::FindSoundDevice(devices, {"pulse", "ALSA"}));
        for (std::size_t i = 0; i < devices.size(); ++i) {
            EXPECT_FALSE(devices[i].IsSystemDefault());
            EXPECT_FALSE(devices[i].hostApi.empty()) << devices[i].name;
            EXPECT_EQ(platform::FindSoundDevice(devices, devices[i]), i) << devices[i].name;
        }
    }
}

TEST_F(PortAudioDevicesTest, TheDefaultIsDeviceZeroUntilADeviceIsChosen) {
    const std::string defaultInput = InputName();
    const std::string defaultOutput = OutputName();
    EXPECT_NE(defaultInput, "pulse");
    EXPECT_NE(defaultOutput, "pulse");
    platform::SetChosenSoundDevice(SoundDirection::In, {"pulse", "ALSA"});
    EXPECT_EQ(InputName(), "pulse");
    EXPECT_EQ(OutputName(), defaultOutput);
    platform::SetChosenSoundDevice(SoundDirection::Out, {"pulse", "ALSA"});
    EXPECT_EQ(OutputName(), "pulse");
    // A chosen device opens as "device 0".
    platform::AutoResetEvent event("e");
    std::unique_ptr<platform::WaveOutDevice> out;
    ASSERT_EQ(m_driver->OpenOutput(0, wave_test::Format(), &event, &out),
              platform::MMSYSERR_NOERROR);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    platform::SetChosenSoundDevice(SoundDirection::In, {});
    EXPECT_EQ(InputName(), defaultInput);
    EXPECT_TRUE(m_notes.empty()) << m_notes.front();
}

TEST_F(PortAudioDevicesTest, AChosenDeviceThatIsNotThereGivesTheDefaultAndANote) {
    const std::string defaultInput = InputName();
    // The right name under another host API is another device.
    platform::SetChosenSoundDevice(SoundDirection::In, {"pulse", "No Such Host API"});
    EXPECT_EQ(m_driver->GetInputDeviceCount(), 1u);
    EXPECT_EQ(InputName(), defaultInput);
    ASSERT_FALSE(m_notes.empty());
    for (const std::string& note : m_notes)
        EXPECT_EQ(note, "Not found: \"pulse (No Such Host API)\"; using the system default input");
    m_notes.clear();
    platform::AutoResetEvent event("e");
    std::unique_ptr<platform::WaveInDevice> in;
    ASSERT_EQ(m_driver->OpenInput(0, wave_test::Format(), &event, &in), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_FALSE(m_notes.empty());
}

}  // namespace
