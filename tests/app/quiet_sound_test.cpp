// The window's sound path on the real PortAudio driver writes nothing to standard error: Line On
// and Off, then a short file played to its end, once against the private PulseAudio and once
// with no sound server at all (KAVRIN_EXPECT_SOUND_SERVER=1 / KAVRIN_EXPECT_NO_SOUND_SERVER=1 say
// which). Without a server the user is still told, through the designed message boxes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/devices/wave_audio.h"
#include "platform/portaudio/portaudio_driver.h"
#include "platform/services/sleep.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/stderr_capture.h"
#include "ui/command_ids.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

bool EnvironmentSays(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && std::string(value) == "1";
}

class QuietSoundTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        // The real sound devices and the real pauses, as the program runs.
        platform::SetWaveAudioDriver(platform::MakePortAudioDriver());
        platform::SetSleepHook(nullptr);
        ::unsetenv("KAVRIN_DEBUG_AUDIO");
        ASSERT_TRUE(StartApp());
    }
};

TEST_F(QuietSoundTest, LineAndFileWriteNothingToStandardError) {
    // A 10 Hz tone of 40960 bytes: played and analysed for two cycles, about two seconds.
    const std::string file = MakeToneFile("short.wav", 5 * 4096, 10.0, 3000);
    ChooseSoundFile(file);

    // Kept beside the test's files: a sanitizer that ends the process leaves its report there.
    std::printf("standard error goes to %s meanwhile\n", TempPath("stderr.txt").c_str());
    std::fflush(stdout);
    test_support::StderrCapture capture(TempPath("stderr.txt"));
    ASSERT_TRUE(capture.Capturing());
    const bool devices = platform::WaveAudio().GetInputDeviceCount() > 0 &&
                         platform::WaveAudio().GetOutputDeviceCount() > 0;

    ChooseMenu(ID_LINE_ON);
    if (devices) {
        const std::uint32_t start = g_liveAnalyzer.m_blockCount;
        EXPECT_TRUE(WaitUntil([&] { return g_liveAnalyzer.m_blockCount > start + 1; }))
            << "capture does not run";
    }
    ChooseMenu(ID_LINE_OFF);
    const std::size_t lineMessages = Messages().size();

    ChooseMenu(ID_INPUT_FILE);
    if (devices) {
        // The pump ends once the cycle that reached the end has closed the channel.
        EXPECT_TRUE(WaitUntil(
            [&] {
                return g_fileAnalyzer.m_position >= 5 * 4096 * 2 &&
                       g_fileAnalyzer.m_thread.Finished();
            },
            30s))
            << "the file does not end";
    }
    ChooseMenu(ID_LINE_OFF);
    const std::string written = capture.Finish();

    EXPECT_TRUE(written.empty()) << "standard error got " << written.size() << " bytes:\n"
                                 << written.substr(0, 4000);
    if (EnvironmentSays("KAVRIN_EXPECT_SOUND_SERVER")) {
        EXPECT_TRUE(devices) << "no sound device on the server";
    }
    if (EnvironmentSays("KAVRIN_EXPECT_NO_SOUND_SERVER")) {
        EXPECT_FALSE(devices) << "a sound device without a server";
    }
    if (devices) {
        EXPECT_TRUE(Messages().empty()) << Messages().front().text;
    } else {
        // "No Sound Device", then "No Sound Output Device": told, not printed.
        EXPECT_EQ(lineMessages, 1u);
        EXPECT_EQ(Messages().size(), 2u);
    }
}

}  // namespace
}  // namespace gui_test
