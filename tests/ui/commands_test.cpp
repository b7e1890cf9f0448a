// The form's commands through the real window and the simulated sound card: the state table
// after every command, the stops each start makes, the test-generator dialog, closing while a
// source runs.
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <chrono>
#include <string>

#include "app/main_frame.h"
#include "platform/services/file.h"
#include "sources/global_analyzers.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"
#include "ui/command_ids.h"
#include "ui/form_ids.h"
#include "ui/test_gen_dlg.h"
#include "ui/tolmar_disp.h"
#include "ui/up_down_control.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

class CommandsTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        ASSERT_TRUE(StartApp());
        view = View();
        ASSERT_NE(view, nullptr);
    }

    struct State {
        int lineOn;
        int fileOn;
        int toneMode;
        bool timer;
    };
    void ExpectState(State expected) {
        EXPECT_EQ(view->m_lineOn, expected.lineOn);
        EXPECT_EQ(view->m_fileOn, expected.fileOn);
        EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_toneMode), expected.toneMode);
        EXPECT_EQ(view->IsTimerRunning(), expected.timer);
    }

    void ExpectBlocksFlow(CTremorAnalyzer& analyzer) {
        const std::uint32_t start = analyzer.m_blockCount;
        EXPECT_TRUE(WaitUntil([&] { return analyzer.m_blockCount > start + 2; }))
            << "the analysis does not go on";
    }

    // A file of 40 blocks of a 10 Hz tone.
    std::string ToneFile() { return MakeToneFile("tone.wav", 40 * 4096, 10.0, 3000); }

    wxString EditText(int id) { return view->GetForm()->Edit(id)->GetValue(); }

    CTolmarDisp* view = nullptr;
};

TEST_F(CommandsTest, TheFormOpensWithItsStartValues) {
    EXPECT_EQ(EditText(IDC_THRESHOLD_ADJUST), "75");
    EXPECT_EQ(EditText(IDC_VOLUME_ADJUST), "10");
    EXPECT_FALSE(view->GetForm()->Radio(IDC_FIXED_RANGE)->GetValue());
    EXPECT_TRUE(view->GetForm()->Radio(IDC_FIXED_FREQ)->GetValue());
    EXPECT_FALSE(view->GetForm()->Radio(IDC_AVG_RELATIVE)->GetValue());
    EXPECT_EQ(view->m_modeFixedFreq, 1);
    EXPECT_EQ(view->m_modeFixedRange, 0);
    EXPECT_EQ(view->m_modeAvgRelative, 0);
    EXPECT_EQ(view->m_thresholdAdjust, 0u);
    ExpectState({0, 0, 0, false});
    EXPECT_FALSE(MenuEnabled(ID_INPUT_TELEPHONE));
}

TEST_F(CommandsTest, LineOnCapturesAndLineOffCloses) {
    card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 50, 100));
    ChooseMenu(ID_LINE_ON);
    ExpectState({1, 0, 0, true});
    EXPECT_TRUE(card->InputOpen());
    EXPECT_EQ(view->m_lampThreshold, 30);
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_thresholdPercent), 75);
    ExpectBlocksFlow(g_liveAnalyzer);
    ChooseMenu(ID_LINE_OFF);
    ExpectState({0, 0, 0, false});
    EXPECT_FALSE(card->InputOpen());
}

TEST_F(CommandsTest, ThresholdAdjustReachesTheAnalyzerAndTheLampPreset) {
    view->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 100);
    ChooseMenu(ID_LINE_ON);
    EXPECT_EQ(view->m_lampThreshold, 40);
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_thresholdPercent), 100);
    view->GetForm()->Edit(IDC_THRESHOLD_ADJUST)->ChangeValue("");
    ChooseMenu(ID_TESTGEN_START);
    EXPECT_EQ(view->m_lampThreshold, 0);
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_thresholdPercent), 0);
}

TEST_F(CommandsTest, TestGeneratorStartStopsTheLineAndRunsTheTone) {
    ChooseMenu(ID_LINE_ON);
    card->ClearCalls();
    ChooseMenu(ID_TESTGEN_START);
    ExpectState({0, 0, 1, true});
    const auto calls = card->Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "waveInStop"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "waveInReset"), calls.end());
    EXPECT_TRUE(card->InputOpen());  // stopped, not closed
    ExpectBlocksFlow(g_liveAnalyzer);
    ChooseMenu(ID_TESTGEN_STOP);
    ExpectState({0, 0, 0, false});
}

TEST_F(CommandsTest, TestGeneratorStopDuringCaptureKeepsTheLineFlag) {
    ChooseMenu(ID_LINE_ON);
    ChooseMenu(ID_TESTGEN_STOP);
    ExpectState({1, 0, 0, false});
    EXPECT_TRUE(card->InputOpen());
    // The next start clears the stale flag.
    ChooseMenu(ID_TESTGEN_START);
    ExpectState({0, 0, 1, true});
}

TEST_F(CommandsTest, FilePlaysAndAnalysesTheChosenFile) {
    ChooseSoundFile(ToneFile());
    view->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 60);
    ChooseMenu(ID_INPUT_FILE);
    ExpectState({0, 1, 0, true});
    EXPECT_EQ(SoundFileRequests(), 1);
    EXPECT_EQ(static_cast<int>(g_fileAnalyzer.m_thresholdPercent), 60);
    EXPECT_TRUE(card->WaitForWrittenBuffers(3, 20s));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CommandsTest, FileWhileAFileRunsAsksAgainWithoutStoppingFirst) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    ChooseSoundFile(ToneFile());
    ChooseMenu(ID_INPUT_FILE);
    ChooseMenu(ID_INPUT_FILE);
    EXPECT_EQ(SoundFileRequests(), 2);
    ExpectState({0, 1, 0, true});
}

TEST_F(CommandsTest, CancellingTheFileDialogStillStartsTheTimer) {
    ChooseSoundFile(std::nullopt);
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "No input file selected!");
    ExpectState({0, 1, 0, true});
}

TEST_F(CommandsTest, AFileThatCannotBeOpenedIsReportedWithTheStopIcon) {
    const std::string path = ToneFile();
    platform::CFile holder;
    holder.Open(path);  // held exclusively: the file source is refused
    ChooseSoundFile(path);
    ChooseMenu(ID_INPUT_FILE);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Stop);
    EXPECT_NE(Messages()[0].text.find(path), std::string::npos);
    EXPECT_FALSE(view->IsTimerRunning());
    EXPECT_EQ(view->m_fileOn, 1);
}

TEST_F(CommandsTest, LineOffDuringAFileStopsOnlyTheDisplay) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    ChooseSoundFile(ToneFile());
    ChooseMenu(ID_INPUT_FILE);
    ChooseMenu(ID_LINE_OFF);
    ExpectState({0, 1, 0, false});
    const std::size_t written = card->WrittenBuffers().size();
    EXPECT_TRUE(card->WaitForWrittenBuffers(written + 2, 20s)) << "the file stopped playing";
}

TEST_F(CommandsTest, TestGeneratorStopDuringAFileKeepsItPlaying) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    ChooseSoundFile(ToneFile());
    ChooseMenu(ID_INPUT_FILE);
    ChooseMenu(ID_TESTGEN_STOP);
    ExpectState({0, 1, 0, false});
    const std::size_t written = card->WrittenBuffers().size();
    EXPECT_TRUE(card->WaitForWrittenBuffers(written + 2, 20s)) << "the file stopped playing";
}

TEST_F(CommandsTest, EachStartStopsTheOthers) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    ChooseSoundFile(ToneFile());
    ChooseMenu(ID_INPUT_FILE);
    ChooseMenu(ID_LINE_ON);
    ExpectState({1, 0, 0, true});
    EXPECT_EQ(static_cast<int>(g_fileAnalyzer.m_stop), 1);
    ChooseMenu(ID_TESTGEN_START);
    ExpectState({0, 0, 1, true});
    ChooseMenu(ID_INPUT_FILE);
    ExpectState({0, 1, 0, true});
    ChooseMenu(ID_TESTGEN_START);
    ExpectState({0, 0, 1, true});
    ChooseMenu(ID_LINE_ON);
    ExpectState({1, 0, 0, true});
}

TEST_F(CommandsTest, SetParamsShowsTheToneAndCancelLeavesNoSource) {
    ChooseMenu(ID_TESTGEN_START);
    g_liveAnalyzer.m_toneFrequency = 12.75;
    wxString frequency;
    wxString amplitude;
    wxString title;
    dialogs->Expect([&](wxDialog* dialog) {
        auto* generator = dynamic_cast<CTestGenDlg*>(dialog);
        EXPECT_NE(generator, nullptr);
        if (!generator) return wxID_CANCEL;
        generator->TransferDataToWindow();
        title = generator->GetTitle();
        frequency = generator->FrequencyEdit()->GetValue();
        amplitude = generator->AmplitudeEdit()->GetValue();
        return wxID_CANCEL;
    });
    ChooseMenu(ID_TESTGEN_SETPARAMS);
    EXPECT_EQ(title, "Set test generator paramaters");
    EXPECT_EQ(frequency, "12");  // truncated
    EXPECT_EQ(amplitude,
              wxString::Format("%d", static_cast<int>(g_liveAnalyzer.m_toneAmplitude.Load())));
    ExpectState({0, 0, 0, true});
    EXPECT_EQ(g_liveAnalyzer.m_toneFrequency, 12.75);  // Cancel changes nothing of the tone
}

TEST_F(CommandsTest, SetParamsChecksTheFieldsAndStartsTheTone) {
    std::vector<std::string> complaints;
    dialogs->Expect([&](wxDialog* dialog) {
        auto* generator = dynamic_cast<CTestGenDlg*>(dialog);
        if (!generator) return wxID_CANCEL;
        generator->TransferDataToWindow();
        const auto attempt = [&](const char* amplitude, const char* frequency) {
            generator->AmplitudeEdit()->ChangeValue(amplitude);
            generator->FrequencyEdit()->ChangeValue(frequency);
            ClearMessages();
            const bool accepted = generator->TransferDataFromWindow();
            complaints.push_back(Messages().empty() ? "" : Messages()[0].text);
            return accepted;
        };
        EXPECT_FALSE(attempt("32001", "10"));
        EXPECT_FALSE(attempt("32000", "22001"));
        EXPECT_FALSE(attempt("", "10"));
        EXPECT_FALSE(attempt("10", "-1"));
        EXPECT_TRUE(attempt("32000", "22000"));
        return wxID_OK;
    });
    ChooseMenu(ID_TESTGEN_SETPARAMS);
    const std::vector<std::string> expected = {"Please enter an integer between 0 and 32000.",
                                               "Please enter an integer between 0 and 22000.",
                                               "Please enter a positive integer.",
                                               "Please enter a positive integer.", ""};
    EXPECT_EQ(complaints, expected);
    ExpectState({0, 0, 1, true});
    EXPECT_EQ(g_liveAnalyzer.m_toneFrequency, 22000.0);
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_toneAmplitude), 32000);
    ExpectBlocksFlow(g_liveAnalyzer);
}

TEST_F(CommandsTest, RadioButtonsChangeTheMode) {
    const auto click = [&](int id) {
        wxRadioButton* radio = view->GetForm()->Radio(id);
        ClickAt(radio, wxPoint(8, radio->GetClientSize().y / 2));
        WaitUntil(
            [&] {
                Yield();
                return radio->GetValue();
            },
            5s);
    };
    click(IDC_AVG_RELATIVE);
    EXPECT_EQ(view->m_modeAvgRelative, 1);
    EXPECT_EQ(view->m_modeFixedFreq, 0);
    EXPECT_EQ(view->m_modeFixedRange, 0);
    click(IDC_FIXED_RANGE);
    EXPECT_EQ(view->m_modeFixedRange, 1);
    EXPECT_EQ(view->m_modeAvgRelative, 0);
    click(IDC_FIXED_RANGE);  // the checked one again changes nothing
    EXPECT_EQ(view->m_modeFixedRange, 1);
    click(IDC_FIXED_FREQ);
    EXPECT_EQ(view->m_modeFixedFreq, 1);
    EXPECT_EQ(view->m_modeFixedRange, 0);
    ExpectState({0, 0, 0, false});
}

TEST_F(CommandsTest, NewDuringATestToneReseedsTheFormAndLeavesTheToneRunning) {
    ChooseMenu(ID_TESTGEN_START);
    view->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 5);
    view->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, -7);
    SendCommand(ID_FILE_NEW);
    EXPECT_EQ(EditText(IDC_THRESHOLD_ADJUST), "75");
    EXPECT_EQ(EditText(IDC_VOLUME_ADJUST), "10");
    ExpectState({0, 0, 1, true});
    ExpectBlocksFlow(g_liveAnalyzer);
}

TEST_F(CommandsTest, LineOffDuringTheToneStopsItsWorkerAndKeepsTheToneFlag) {
    ChooseMenu(ID_TESTGEN_START);
    ExpectBlocksFlow(g_liveAnalyzer);
    const auto start = std::chrono::steady_clock::now();
    ChooseMenu(ID_LINE_OFF);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    ExpectState({0, 0, 1, false});
    EXPECT_FALSE(g_liveAnalyzer.m_thread.Exists());
    // The next start clears the stale flag and runs the tone again.
    ChooseMenu(ID_TESTGEN_START);
    ExpectState({0, 0, 1, true});
    ExpectBlocksFlow(g_liveAnalyzer);
}

TEST_F(CommandsTest, TheSpinButtonsStepTheNumberInTheirEdit) {
    CUpDownControl* spin = view->GetForm()->Spin(IDC_THRESHOLD_SPIN);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->GetMin(), 0);
    EXPECT_EQ(spin->GetMax(), 100);
    spin->Step(1);
    EXPECT_EQ(EditText(IDC_THRESHOLD_ADJUST), "76");
    spin->Step(-1);
    spin->Step(-1);
    EXPECT_EQ(EditText(IDC_THRESHOLD_ADJUST), "74");
    view->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 100);
    spin->Step(1);
    EXPECT_EQ(EditText(IDC_THRESHOLD_ADJUST), "100");
    CUpDownControl* volume = view->GetForm()->Spin(IDC_VOLUME_SPIN);
    view->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, -20);
    volume->Step(1);
    EXPECT_EQ(EditText(IDC_VOLUME_ADJUST), "1");  // from the bottom of its range
    view->GetForm()->Edit(IDC_VOLUME_ADJUST)->ChangeValue("abc");
    volume->Step(-1);
    EXPECT_EQ(EditText(IDC_VOLUME_ADJUST), "0");
}

TEST_F(CommandsTest, ControlNIsNew) {
    view->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, 33);
    Frame()->Raise();
    Frame()->SetFocus();
    Yield();
    TypeKey(Frame(), 'n', wxMOD_CONTROL);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            return EditText(IDC_VOLUME_ADJUST) == "10";
        },
        5s));
}

enum class Source { Tone, Line, File };

class ClosingTest : public GuiTest, public ::testing::WithParamInterface<Source> {};

TEST_P(ClosingTest, ClosingWhileASourceRunsExitsPromptly) {
    ASSERT_TRUE(StartApp());
    switch (GetParam()) {
        case Source::Tone:
            ChooseMenu(ID_TESTGEN_START);
            break;
        case Source::Line:
            card->SetCaptureSamples(std::vector<std::int16_t>(4096 * 200, 50));
            ChooseMenu(ID_LINE_ON);
            break;
        case Source::File:
            card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
            ChooseSoundFile(MakeToneFile("close.wav", 4096 * 100, 9.0, 2000));
            ChooseMenu(ID_INPUT_FILE);
            ASSERT_TRUE(card->WaitForWrittenBuffers(2, 20s));
            break;
    }
    const auto elapsed = CloseApp();
    EXPECT_LT(elapsed.count(), 3000);
    EXPECT_FALSE(g_liveAnalyzer.m_thread.Exists());
    EXPECT_FALSE(g_fileAnalyzer.m_thread.Exists() && !g_fileAnalyzer.m_thread.Finished());
    EXPECT_FALSE(card->InputOpen());
    EXPECT_FALSE(card->OutputOpen());
    EXPECT_EQ(static_cast<int>(g_liveAnalyzer.m_toneMode), 0);
}

INSTANTIATE_TEST_SUITE_P(EverySource, ClosingTest,
                         ::testing::Values(Source::Tone, Source::Line, Source::File));

}  // namespace
}  // namespace gui_test
