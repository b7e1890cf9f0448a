// The source and reading panes through the real window and the simulated sound card, in every
// source state: idle, the tone, live capture and its stall, a file playing and ended, a
// cancelled file dialog, Set Params cancelled.
#include "ui/status_panes.h"

#include <wx/statusbr.h>

#include <chrono>
#include <string>

#include "app/main_frame.h"
#include "platform/devices/simulated_sound_card.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

class StatusPanesTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(StartApp());
    }
    std::string Pane(int index) {
        return Frame()->GetStatusBar()->GetStatusText(index).ToStdString(wxConvUTF8);
    }
    // Waits until the pane shows `text`; the failure names what it showed instead.
    void ExpectPane(int index, const std::string& text, std::chrono::milliseconds timeout = 10s) {
        EXPECT_TRUE(WaitUntil(
            [&] {
                Yield();
                return Pane(index) == text;
            },
            timeout))
            << "pane " << index << " shows \"" << Pane(index) << "\", not \"" << text << "\"";
    }
};

TEST_F(StatusPanesTest, IdleThenTheToneWithItsReadingsThenIdleAgain) {
    ExpectPane(kSourcePane, "Idle", 2s);
    EXPECT_EQ(Pane(kReadingPane), "");
    ChooseMenu(ID_TESTGEN_START);
    ExpectPane(kSourcePane, "Tone: 10 Hz, amplitude 10", 2s);
    // The 10 Hz tone against "Fixed freq." at 75 (11.0 Hz).
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            const std::string reading = Pane(kReadingPane);
            return reading.rfind("inst 10.0 Hz  avg ", 0) == 0 && reading.size() > 13 &&
                   reading.substr(reading.size() - 13) == "  ref 11.0 Hz";
        },
        10s))
        << Pane(kReadingPane);
    ChooseMenu(ID_TESTGEN_STOP);
    ExpectPane(kSourcePane, "Idle", 2s);
    ExpectPane(kReadingPane, "", 2s);
}

TEST_F(StatusPanesTest, SetParamsCancelledLeavesIdleWithNoReadings) {
    ChooseMenu(ID_TESTGEN_START);
    ExpectPane(kSourcePane, "Tone: 10 Hz, amplitude 10", 2s);
    dialogs->Expect([](wxDialog*) { return wxID_CANCEL; });
    ChooseMenu(ID_TESTGEN_SETPARAMS);
    ASSERT_TRUE(View()->IsTimerRunning());
    ExpectPane(kSourcePane, "Idle", 2s);
    ExpectPane(kReadingPane, "", 2s);
}

TEST_F(StatusPanesTest, LineCaptureThatStopsDeliveringIsShownWithinThreeSeconds) {
    // Enough for a few blocks; then the device delivers nothing, as a dead server would.
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 6, 100));
    ChooseMenu(ID_LINE_ON);
    ExpectPane(kSourcePane, "Line: capturing", 2s);
    const std::uint32_t before = g_liveAnalyzer.m_blockCount;
    ASSERT_TRUE(WaitUntil([&] { return g_liveAnalyzer.m_blockCount > before; }, 10s));
    // The last buffer completes 6 x 4096 / 11025 s after the start; 3 s later the pane says so.
    ExpectPane(kSourcePane, "Line: no input for 3 s", 8s);
    // A new start begins afresh.
    card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 100, 100));
    ChooseMenu(ID_LINE_OFF);
    ExpectPane(kSourcePane, "Idle", 2s);
    ChooseMenu(ID_LINE_ON);
    ExpectPane(kSourcePane, "Line: capturing", 2s);
}

TEST_F(StatusPanesTest, AFileShowsItsNameAndTimesThenItsEnd) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    // 2.0 s of a 10 Hz tone at real pace.
    ChooseSoundFile(MakeToneFile("speech.wav", 22050 * 2, 10.0, 3000));
    ChooseMenu(ID_INPUT_FILE);
    ExpectPane(kSourcePane, "File: speech.wav 0:00 / 0:04", 2s);
    ExpectPane(kSourcePane, "File: speech.wav 0:01 / 0:04", 5s);
    ExpectPane(kSourcePane, "File: ended", 10s);
}

TEST_F(StatusPanesTest, ACancelledFileDialogNamesNoFile) {
    ChooseSoundFile(std::nullopt);
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(Messages().size(), 1u);
    ExpectPane(kSourcePane, "File: none chosen", 2s);
}

}  // namespace
}  // namespace gui_test
