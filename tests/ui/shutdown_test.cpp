// Closing the window in every state a source can be in, with the program's own pauses taken as
// they are: the close and the end of the application take under 1 s together, every pump has
// been joined and no device is left open. Also while a message box raised from a pump is up.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/gui_seams.h"
#include "app/kavrin_app.h"
#include "app/kavrin_message_dlg.h"
#include "app/main_frame.h"
#include "platform/services/message_box.h"
#include "platform/services/sleep.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

constexpr auto kCloseLimit = 1000ms;

enum class State { Idle, Tone, FilePlaying, FileEnded, FileStopped, Capturing };

const char* Name(State state) {
    switch (state) {
        case State::Idle:
            return "Idle";
        case State::Tone:
            return "Tone";
        case State::FilePlaying:
            return "FilePlaying";
        case State::FileEnded:
            return "FileEnded";
        case State::FileStopped:
            return "FileStopped";
        case State::Capturing:
            return "Capturing";
    }
    return "?";
}

class ShutdownTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        // The real pauses: a close must be quick with them, not only without.
        platform::SetSleepHook(nullptr);
    }

    // Closes as the user does and ends the application; the whole of it, timed.
    std::chrono::milliseconds CloseAndEnd() {
        const auto start = std::chrono::steady_clock::now();
        CloseApp();
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    void ExpectEverythingEnded() {
        EXPECT_FALSE(g_liveAnalyzer.m_thread.Exists()) << "the live pump was not joined";
        EXPECT_FALSE(g_fileAnalyzer.m_thread.Exists() && !g_fileAnalyzer.m_thread.Finished())
            << "the file pump still runs";
        EXPECT_FALSE(card->InputOpen());
        EXPECT_FALSE(card->OutputOpen());
        EXPECT_FALSE(g_fileAnalyzer.m_file.IsOpen());
        EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_toneMode), 0);
    }
};

class EveryStateTest : public ShutdownTest, public ::testing::WithParamInterface<State> {};

TEST_P(EveryStateTest, ClosingExitsWithinASecondWithEveryPumpJoined) {
    ASSERT_TRUE(StartApp());
    switch (GetParam()) {
        case State::Idle:
            break;
        case State::Tone:
            ChooseMenu(ID_TESTGEN_START);
            ASSERT_TRUE(WaitUntil([] { return g_liveAnalyzer.m_blockCount > 2; }));
            break;
        case State::FilePlaying:
            card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
            ChooseSoundFile(MakeToneFile("playing.wav", 4096 * 100, 9.0, 2000));
            ChooseMenu(ID_INPUT_FILE);
            ASSERT_TRUE(card->WaitForWrittenBuffers(3, 20s));
            break;
        case State::FileEnded:
            ChooseSoundFile(MakeToneFile("ended.wav", 4096 * 12, 9.0, 2000));
            ChooseMenu(ID_INPUT_FILE);
            ASSERT_TRUE(WaitUntil(
                [&] { return g_fileAnalyzer.m_thread.Finished() && !card->OutputOpen(); }));
            break;
        case State::FileStopped:
            // Line On stops the file; Line Off then leaves nothing running.
            card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
            ChooseSoundFile(MakeToneFile("stopped.wav", 4096 * 100, 9.0, 2000));
            ChooseMenu(ID_INPUT_FILE);
            ASSERT_TRUE(card->WaitForWrittenBuffers(3, 20s));
            card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 50, 50));
            ChooseMenu(ID_LINE_ON);
            ChooseMenu(ID_LINE_OFF);
            break;
        case State::Capturing:
            card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
            card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 200, 50));
            ChooseMenu(ID_LINE_ON);
            ASSERT_TRUE(WaitUntil([] { return g_liveAnalyzer.m_blockCount > 2; }));
            break;
    }
    const auto elapsed = CloseAndEnd();
    EXPECT_LT(elapsed, kCloseLimit) << Name(GetParam()) << ": " << elapsed.count() << " ms";
    ExpectEverythingEnded();
    std::printf("closing in state %s: %lld ms\n", Name(GetParam()),
                static_cast<long long>(elapsed.count()));
}

INSTANTIATE_TEST_SUITE_P(AllStates, EveryStateTest,
                         ::testing::Values(State::Idle, State::Tone, State::FilePlaying,
                                           State::FileEnded, State::FileStopped, State::Capturing),
                         [](const ::testing::TestParamInfo<State>& info) {
                             return std::string(Name(info.param));
                         });

TEST_F(ShutdownTest, ClosingWhileAMessageBoxFromAPumpIsUp) {
    ASSERT_TRUE(StartApp());
    // The application's own message boxes, answered by the dialog script.
    InstallGuiSeams();
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    const std::string path = MakeToneFile("failing.wav", 4096 * 100, 9.0, 2000);
    ChooseSoundFile(path);
    std::chrono::steady_clock::time_point closeAsked;
    wxString message;
    dialogs->Expect([&](wxDialog* dialog) {
        if (auto* box = dynamic_cast<kavrin::CKavrinMessageDlg*>(dialog)) message = box->GetText();
        // The user closes the main window while the box is up, then the box.
        closeAsked = std::chrono::steady_clock::now();
        Frame()->Close(true);
        return wxID_OK;
    });
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_TRUE(card->WaitForWrittenBuffers(2, 20s));
    // Should the close wait for the box and the box for the close, the test says so and ends.
    std::atomic<bool> closed{false};
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!closed && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        if (closed) return;
        ADD_FAILURE() << "the close waits for the pump, which waits for the message box";
        platform::ReleaseWorkersOfShownMessages();
    });
    // The file's reads fail from now on: the pump ends the run and raises the file error.
    const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(directory, 0);
    ASSERT_GE(::dup2(directory, g_fileAnalyzer.m_file.GetHandle()), 0);
    ::close(directory);
    ASSERT_TRUE(WaitUntil([&] {
        wxTheApp->Yield(true);
        return dialogs->Shown() > 0;
    }));
    EXPECT_NE(message.Find("while accessing"), wxNOT_FOUND) << message;
    CloseApp();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - closeAsked);
    closed = true;
    watchdog.join();
    EXPECT_LT(elapsed, kCloseLimit) << elapsed.count() << " ms";
    ExpectEverythingEnded();
    std::printf("closing with a message box up: %lld ms\n",
                static_cast<long long>(elapsed.count()));
}

}  // namespace
}  // namespace gui_test
