// The real sound server dies while a source runs (the private PulseAudio of
// scripts/with-pulseaudio.sh is killed): the source pane says so within 3 s of the last block,
// nothing hangs or crashes, and the commands after it run as ever. Each case runs in its own
// process with its own server (ctest entries gui_sound_server_loss_*); without
// KAVRIN_PULSE_PID it is skipped.
#include <signal.h>
#include <wx/statusbr.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "app/main_frame.h"
#include "platform/portaudio_driver.h"
#include "platform/wave_audio.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/status_panes.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

class SoundServerLossTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        const char* pid = std::getenv("KAVRIN_PULSE_PID");
        if (!pid || std::atoi(pid) <= 0) GTEST_SKIP() << "no private sound server to lose";
        m_serverPid = std::atoi(pid);
        platform::SetWaveAudioDriver(platform::MakePortAudioDriver());  // as the window does
        ASSERT_TRUE(StartApp());
    }

    std::string SourcePane() {
        return Frame()->GetStatusBar()->GetStatusText(kSourcePane).ToStdString(wxConvUTF8);
    }
    bool PaneShows(const std::function<bool(const std::string&)>& test,
                   std::chrono::milliseconds timeout) {
        return WaitUntil(
            [&] {
                Yield();
                return test(SourcePane());
            },
            timeout);
    }
    void AwaitBlocks(CTremorAnalyzer& analyzer) {
        const std::uint32_t start = analyzer.m_blockCount;
        ASSERT_TRUE(WaitUntil(
            [&] {
                Yield();
                return analyzer.m_blockCount > start + 2;
            },
            20s))
            << "no blocks from the sound server";
    }
    // Kills the server and returns when it is gone.
    void KillServer() {
        ASSERT_EQ(::kill(m_serverPid, SIGKILL), 0);
        ASSERT_TRUE(WaitUntil([&] { return ::kill(m_serverPid, 0) != 0; }, 5s));
    }
    // A command must come back promptly.
    template <class Command>
    void ExpectPrompt(const char* name, Command command) {
        const auto start = std::chrono::steady_clock::now();
        command();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, 3s) << name << " took too long";
    }

    int m_serverPid = 0;
};

TEST_F(SoundServerLossTest, LiveCaptureFromADeadServerIsShownAndTheCommandsGoOn) {
    ChooseMenu(ID_LINE_ON);
    ASSERT_TRUE(PaneShows([](const std::string& s) { return s == "Line: capturing"; }, 5s));
    AwaitBlocks(g_liveAnalyzer);
    KillServer();
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_TRUE(PaneShows([](const std::string& s) { return s == "Line: no input for 3 s"; }, 6s))
        << SourcePane();
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 4500ms);
    ExpectPrompt("Line Off", [&] { ChooseMenu(ID_LINE_OFF); });
    EXPECT_TRUE(PaneShows([](const std::string& s) { return s == "Idle"; }, 2s));
    ClearMessages();
    // With no server there is no device: the start reports it (or finds nothing to hear), and
    // the tone still runs.
    ExpectPrompt("Line On", [&] { ChooseMenu(ID_LINE_ON); });
    ExpectPrompt("Test Generator Start", [&] { ChooseMenu(ID_TESTGEN_START); });
    AwaitBlocks(g_liveAnalyzer);
    EXPECT_TRUE(PaneShows([](const std::string& s) { return s.rfind("Tone: ", 0) == 0; }, 2s));
    EXPECT_LT(CloseApp(), 3s);
}

TEST_F(SoundServerLossTest, PlaybackToADeadServerIsShownAndTheCommandsGoOn) {
    // A minute of tone: it is still playing when the server dies.
    ChooseSoundFile(MakeToneFile("speech.wav", 11025 * 60, 10.0, 3000));
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_TRUE(
        PaneShows([](const std::string& s) { return s.rfind("File: speech.wav", 0) == 0; }, 5s))
        << SourcePane();
    AwaitBlocks(g_fileAnalyzer);
    KillServer();
    const auto killed = std::chrono::steady_clock::now();
    EXPECT_TRUE(PaneShows(
        [](const std::string& s) {
            return s.rfind("File: speech.wav", 0) == 0 &&
                   s.find(", no output for 3 s") != std::string::npos;
        },
        6s))
        << SourcePane();
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 4500ms);
    ClearMessages();
    // The next File starts afresh: with no server its playback cannot open, which it reports.
    ChooseSoundFile(MakeToneFile("again.wav", 11025 * 4, 10.0, 3000));
    ExpectPrompt("File", [&] { ChooseMenu(ID_INPUT_FILE); });
    ExpectPrompt("Test Generator Start", [&] { ChooseMenu(ID_TESTGEN_START); });
    AwaitBlocks(g_liveAnalyzer);
    EXPECT_LT(CloseApp(), 3s);
}

}  // namespace
}  // namespace gui_test
