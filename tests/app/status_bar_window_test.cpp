// One session through the status bar's states at 640 px: each true, every pane in view, long
// texts shortened with a tooltip, nothing on standard error.

#include <functional>
#include <string>

#include "app/main_frame.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"
#include "tests/support/stderr_capture.h"
#include "ui/command_ids.h"
#include "ui/live_recording.h"
#include "ui/status_bar.h"
#include "ui/status_panes.h"

namespace gui_test {
namespace {

using namespace kavrin;

constexpr const char* kLongName = "speech_48k_mono_interview_of_the_second_afternoon.wav";

class StatusBarWindowTest : public GuiTest {
protected:
    CStatusBar* Bar() { return dynamic_cast<CStatusBar*>(Frame()->GetStatusBar()); }
    std::string Pane(int pane) { return Bar()->GetStatusText(pane).utf8_string(); }
    int RecordingPane() { return CMainFrame::kPaneCount; }
};

struct State {
    const char* name;
    std::function<void()> enter;
    // The source pane's text, or its beginning when it ends in a time that runs.
    std::string source;
    bool readings;
    bool recording;
};

TEST_F(StatusBarWindowTest, EveryStateIsTrueAndEveryPaneShowsAt640Pixels) {
    const std::string music = TempPath("music");
    ::setenv("XDG_MUSIC_DIR", music.c_str(), 1);
    ASSERT_TRUE(StartApp());
    Frame()->SetSize(wxSize(640, Frame()->GetSize().y));
    const std::string file = MakeToneFile(kLongName, 11025 * 65, 10.0, 3000);
    ChooseSoundFile(file);
    card->SetCaptureSamples(std::vector<std::int16_t>(11025 * 60, 1000));
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);

    test_support::StderrCapture capture(TempPath("stderr.txt"));
    ASSERT_TRUE(capture.Capturing());
    const State states[] = {
        {"line without a device",
         [this] {
             card->SetInputDeviceCount(0);
             ChooseMenu(ID_LINE_ON);
         },
         "Line: no sound device", false, false},
        {"file without a device",
         [this] {
             ChooseMenu(ID_LINE_OFF);
             card->SetInputDeviceCount(1);
             card->SetOutputDeviceCount(0);
             ChooseMenu(ID_INPUT_FILE);
         },
         "File: no output device", false, false},
        {"a long file name playing",
         [this] {
             card->SetOutputDeviceCount(1);
             ChooseMenu(ID_INPUT_FILE);
         },
         std::string("File: ") + kLongName + " 0:", true, false},
        {"recording",
         [this] {
             ChooseMenu(ID_LINE_RECORD);
             ChooseMenu(ID_LINE_ON);
         },
         "Line: capturing", true, true},
        {"recording ended", [this] { ChooseMenu(ID_LINE_OFF); }, "Idle", false, false},
    };
    std::string recorded;
    for (const State& state : states) {
        SCOPED_TRACE(state.name);
        state.enter();
        if (state.recording) recorded = CLiveRecording::Get().Recorder().Path();
        EXPECT_TRUE(WaitUntil([&] {
            Yield();
            return Pane(kSourcePane).rfind(state.source, 0) == 0 &&
                   Pane(kReadingPane).empty() != state.readings &&
                   Pane(RecordingPane()).empty() != state.recording;
        })) << Pane(kSourcePane)
            << " | " << Pane(kReadingPane) << " | " << Pane(RecordingPane());
        Frame()->Update();  // painted, as the user sees it
        Yield();
        ASSERT_EQ(Frame()->GetSize().x, 640);
        for (int pane = 0; pane < Bar()->GetFieldsCount(); ++pane) {
            wxRect rect;
            ASSERT_TRUE(Bar()->GetFieldRect(pane, rect));
            // The recording's and the readings' panes are all but gone while they have
            // nothing to show, and leave their room to the others.
            const bool collapsed = (pane == RecordingPane() && !state.recording) ||
                                   (pane == kReadingPane && !state.readings);
            const int least = pane == 0 || pane == kSourcePane ? 60 : collapsed ? 1 : 20;
            EXPECT_GE(rect.width, least) << "pane " << pane << ": " << Pane(pane);
            if (collapsed) {
                EXPECT_LE(rect.width, 8) << "pane " << pane;
            }
        }
        EXPECT_TRUE(Pane(kSourcePane).size() <= 40 || Bar()->IsShortened(kSourcePane));
    }
    EXPECT_FALSE(recorded.empty());
    EXPECT_EQ(Pane(0), "Recording saved: " + recorded);
    EXPECT_TRUE(Bar()->IsShortened(0));
    // The pointer over the shortened pane brings its full text up as the tooltip.
    wxRect message;
    Bar()->GetFieldRect(0, message);
    PointAt(Bar(), message.GetPosition() + wxPoint(8, 4));
    EXPECT_TRUE(WaitUntil([&] {
        Yield();
        return Bar()->GetToolTipText() == Bar()->GetStatusText(0);
    })) << Bar()->GetToolTipText();
    // "No Sound Device", "No Sound Output Device": the designed boxes, as before.
    EXPECT_EQ(Messages().size(), 2u);

    const std::string written = capture.Finish();
    EXPECT_TRUE(written.empty()) << written.substr(0, 4000);
}

}  // namespace
}  // namespace gui_test
