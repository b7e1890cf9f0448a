// The choice of sound device without PortAudio: finding a chosen device by name and host API,
// the labels and the fallback note, the process-wide choice and its fallback hook.
#include "platform/devices/sound_device_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::SoundDeviceId;
using platform::SoundDirection;

const std::vector<SoundDeviceId> kDevices = {
    {"kavrin_null", "ALSA"},
    {"kavrin_null2", "ALSA"},
    {"kavrin_null2", "JACK Audio Connection Kit"},
    {"pulse", "ALSA"},
};

TEST(SoundDeviceChoice, AChosenDeviceIsFoundByItsNameAndHostApiTogether) {
    EXPECT_EQ(platform::FindSoundDevice(kDevices, {"kavrin_null2", "ALSA"}), 1u);
    EXPECT_EQ(platform::FindSoundDevice(kDevices, {"kavrin_null2", "JACK Audio Connection Kit"}),
              2u);
    EXPECT_EQ(platform::FindSoundDevice(kDevices, {"pulse", "ALSA"}), 3u);
    // The same name under another host API, or another name, is not the device.
    EXPECT_FALSE(platform::FindSoundDevice(kDevices, {"pulse", "JACK Audio Connection Kit"}));
    EXPECT_FALSE(platform::FindSoundDevice(kDevices, {"kavrin_null3", "ALSA"}));
    EXPECT_FALSE(platform::FindSoundDevice(kDevices, {"Kavrin_null", "ALSA"}));
    EXPECT_FALSE(platform::FindSoundDevice({}, {"pulse", "ALSA"}));
}

TEST(SoundDeviceChoice, TheSystemDefaultIsNoListedDevice) {
    EXPECT_TRUE(SoundDeviceId{}.IsSystemDefault());
    EXPECT_TRUE((SoundDeviceId{"", "ALSA"}.IsSystemDefault()));
    EXPECT_FALSE(platform::FindSoundDevice(kDevices, {}));
    // Not even an entry without a name.
    EXPECT_FALSE(platform::FindSoundDevice({{"", ""}}, {}));
}

TEST(SoundDeviceChoice, LabelsAndTheFallbackNote) {
    EXPECT_EQ(platform::SoundDeviceLabel({}), "System default");
    EXPECT_EQ(platform::SoundDeviceLabel({"kavrin_null2", "ALSA"}), "kavrin_null2 (ALSA)");
    EXPECT_EQ(platform::SoundDeviceLabel({"bare", ""}), "bare");
    EXPECT_EQ(platform::SoundDeviceFallbackNote(SoundDirection::In, {"USB Mic", "ALSA"}),
              "Not found: \"USB Mic (ALSA)\"; using the system default input");
    EXPECT_EQ(platform::SoundDeviceFallbackNote(SoundDirection::Out, {"kavrin_null2", "ALSA"}),
              "Not found: \"kavrin_null2 (ALSA)\"; using the system default output");
}

class ProcessChoiceTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::SetChosenSoundDevice(SoundDirection::In, {});
        platform::SetChosenSoundDevice(SoundDirection::Out, {});
        platform::SetSoundDeviceFallbackHook(nullptr);
    }
};

TEST_F(ProcessChoiceTest, EachDirectionKeepsItsOwnChoiceAndStartsAtTheDefault) {
    EXPECT_TRUE(platform::ChosenSoundDevice(SoundDirection::In).IsSystemDefault());
    EXPECT_TRUE(platform::ChosenSoundDevice(SoundDirection::Out).IsSystemDefault());
    platform::SetChosenSoundDevice(SoundDirection::In, {"kavrin_null2", "ALSA"});
    EXPECT_EQ(platform::ChosenSoundDevice(SoundDirection::In),
              (SoundDeviceId{"kavrin_null2", "ALSA"}));
    EXPECT_TRUE(platform::ChosenSoundDevice(SoundDirection::Out).IsSystemDefault());
    platform::SetChosenSoundDevice(SoundDirection::Out, {"pulse", "ALSA"});
    platform::SetChosenSoundDevice(SoundDirection::In, {});
    EXPECT_TRUE(platform::ChosenSoundDevice(SoundDirection::In).IsSystemDefault());
    EXPECT_EQ(platform::ChosenSoundDevice(SoundDirection::Out), (SoundDeviceId{"pulse", "ALSA"}));
}

TEST_F(ProcessChoiceTest, AFallbackIsToldToTheHookWhileOneIsSet) {
    // Nobody to tell: nothing happens.
    platform::NoteSoundDeviceFallback(SoundDirection::In, {"gone", "ALSA"});
    std::vector<std::string> told;
    platform::SetSoundDeviceFallbackHook([&](SoundDirection direction, const SoundDeviceId& gone) {
        told.push_back(platform::SoundDeviceFallbackNote(direction, gone));
    });
    platform::NoteSoundDeviceFallback(SoundDirection::Out, {"gone", "ALSA"});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Not found: \"gone (ALSA)\"; using the system default output");
    platform::SetSoundDeviceFallbackHook(nullptr);
    platform::NoteSoundDeviceFallback(SoundDirection::Out, {"gone", "ALSA"});
    EXPECT_EQ(told.size(), 1u);
}

}  // namespace
