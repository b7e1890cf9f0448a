// The sound libraries' messages go through Kavrin's diagnostics: nothing on standard error by
// default, each message on one marked line with KAVRIN_DEBUG_AUDIO=1. The messages are the real
// ones: ALSA asked for a device it does not know, JACK asked for a server that does not run; and
// PortAudio's line as it prints it when the sound server goes away (vfprintf on stderr, then
// fflush), among other text on stderr that must pass unchanged.
#include "platform/services/audio_diagnostics.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/portaudio/sound_library_messages.h"
#include "tests/support/stderr_capture.h"

namespace {

using test_support::StderrCapture;

// What ALSA and JACK write when a device or a server is missing, as PortAudio's probing meets it.
std::string WhatTheLibrariesSay() {
    StderrCapture capture;
    EXPECT_TRUE(capture.Capturing());
    snd_pcm_t* pcm = nullptr;
    EXPECT_LT(snd_pcm_open(&pcm, "kavrin_no_such_device", SND_PCM_STREAM_CAPTURE, 0), 0);
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "kavrin-test", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
        "kavrin-no-such-server");
    EXPECT_EQ(client, nullptr);
    if (client != nullptr) jack_client_close(client);
    return capture.Finish();
}

constexpr const char* kPortAudioLine =
    "Expression 'PaAlsaStream_WaitForFrames( stream, &framesAvail, &xrun )' failed in "
    "'src/hostapi/alsa/pa_linux_alsa.c', line: 4285\n";

// PortAudio's line between other writes to stderr, some of them in pieces.
std::string WhatStderrShowsAroundPortAudio() {
    StderrCapture capture;
    EXPECT_TRUE(capture.Capturing());
    std::fprintf(stderr, "before\n");
    std::fprintf(stderr, "%s", kPortAudioLine);
    std::fflush(stderr);
    std::fputs("Exp", stderr);
    std::fputs("ected text\n", stderr);
    std::fputs("no newline", stderr);
    std::fprintf(stderr, " yet\nExpression 'x' was fine\n");
    return capture.Finish();
}

class AudioDiagnosticsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::RouteSoundLibraryMessages(); }
    void TearDown() override { ::unsetenv("KAVRIN_DEBUG_AUDIO"); }
};

TEST_F(AudioDiagnosticsTest, SoundLibrariesAreSilentUnlessAskedFor) {
    ::unsetenv("KAVRIN_DEBUG_AUDIO");
    EXPECT_EQ(WhatTheLibrariesSay(), "");
    ::setenv("KAVRIN_DEBUG_AUDIO", "0", 1);
    EXPECT_EQ(WhatTheLibrariesSay(), "");
}

TEST_F(AudioDiagnosticsTest, DebugAudioShowsEachMessageOnItsOwnMarkedLine) {
    ::setenv("KAVRIN_DEBUG_AUDIO", "1", 1);
    const std::string text = WhatTheLibrariesSay();
    EXPECT_NE(text.find("kavrin audio (ALSA): "), std::string::npos) << text;
    EXPECT_NE(text.find("kavrin_no_such_device"), std::string::npos) << text;
    EXPECT_NE(text.find("kavrin audio (JACK): "), std::string::npos) << text;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "an unfinished line: " << text.substr(start);
        EXPECT_EQ(text.compare(start, 13, "kavrin audio "), 0) << text.substr(start, end - start);
        start = end + 1;
    }
}

TEST_F(AudioDiagnosticsTest, PortAudiosFailedStepsAreTakenFromStderrAndTheRestPasses) {
    ::unsetenv("KAVRIN_DEBUG_AUDIO");
    const std::string others = "before\nExpected text\nno newline yet\nExpression 'x' was fine\n";
    EXPECT_EQ(WhatStderrShowsAroundPortAudio(), others);
    ::setenv("KAVRIN_DEBUG_AUDIO", "1", 1);
    EXPECT_EQ(WhatStderrShowsAroundPortAudio(),
              "before\nkavrin audio (PortAudio): " + std::string(kPortAudioLine) +
                  "Expected text\nno newline yet\nExpression 'x' was fine\n");
}

}  // namespace
