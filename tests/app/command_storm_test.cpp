// A storm of commands in the window on the real PortAudio driver (the private PulseAudio of
// scripts/with-pulseaudio.sh): at least 1000 random ones (Line On and Off, File with a
// generated file or cancelled, Test Generator Start and Stop, Set Params answered OK or
// Cancel, the radio buttons, New, the adjust edits and their spin buttons), each after a random
// short pause. Nothing hangs or crashes; afterwards the window answers within 1 s, the processor
// time of an idle second falls back to the one measured before the storm, and standard error
// holds no sanitizer report. The seed is printed; KAVRIN_STORM_SEED=N replays a run and
// KAVRIN_STORM_COMMANDS=N sets the number of commands.
#include <wx/app.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string>
#include <thread>

#include "app/main_frame.h"
#include "platform/devices/wave_audio.h"
#include "platform/portaudio/portaudio_driver.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/stderr_capture.h"
#include "ui/command_ids.h"
#include "ui/form_ids.h"
#include "ui/status_panes.h"
#include "ui/test_gen_dlg.h"
#include "ui/tolmar_disp.h"
#include "ui/tolmar_form.h"
#include "ui/up_down_control.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

unsigned long EnvironmentNumber(const char* name, unsigned long otherwise) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return otherwise;
    return std::strtoul(value, nullptr, 10);
}

class CommandStormTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        if (!std::getenv("KAVRIN_PULSE_PID"))
            GTEST_SKIP() << "no private sound server (run under scripts/with-pulseaudio.sh)";
        platform::SetWaveAudioDriver(platform::MakePortAudioDriver());  // as the window does
        ASSERT_TRUE(StartApp());
        m_files = {MakeToneFile("short.wav", 11025 / 2, 10.0, 3000),
                   MakeToneFile("longer.wav", 11025 * 3, 9.0, 8000)};
    }

    std::string SourcePane() {
        return Frame()->GetStatusBar()->GetStatusText(kSourcePane).ToStdString(wxConvUTF8);
    }
    CTolmarForm* Form() { return View()->GetForm(); }

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_random);
    }

    // One random command; returns its name.
    std::string RandomCommand() {
        switch (Pick(13)) {
            case 0:
                ChooseMenu(ID_LINE_ON);
                return "Line On";
            case 1:
                ChooseMenu(ID_LINE_OFF);
                return "Line Off";
            case 2: {
                const std::string& file = m_files[Pick(static_cast<int>(m_files.size()))];
                ChooseSoundFile(file);
                ChooseMenu(ID_INPUT_FILE);
                return "File " + file.substr(file.rfind('/') + 1);
            }
            case 3:
                ChooseSoundFile(std::nullopt);
                ChooseMenu(ID_INPUT_FILE);
                m_expectedMessage = "No input file selected!";
                return "File, cancelled";
            case 4:
                ChooseMenu(ID_TESTGEN_START);
                return "Test Generator Start";
            case 5:
                ChooseMenu(ID_TESTGEN_STOP);
                return "Test Generator Stop";
            case 6: {
                const int frequency = Between(1, 40);
                const int amplitude = Between(0, 32000);
                dialogs->Expect([frequency, amplitude](wxDialog* dialog) {
                    auto* generator = dynamic_cast<CTestGenDlg*>(dialog);
                    if (!generator) return wxID_CANCEL;
                    generator->TransferDataToWindow();
                    generator->FrequencyEdit()->ChangeValue(std::to_string(frequency));
                    generator->AmplitudeEdit()->ChangeValue(std::to_string(amplitude));
                    return generator->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
                });
                ChooseMenu(ID_TESTGEN_SETPARAMS);
                return "Set Params OK " + std::to_string(frequency) + " Hz, " +
                       std::to_string(amplitude);
            }
            case 7:
                dialogs->Expect([](wxDialog*) { return wxID_CANCEL; });
                ChooseMenu(ID_TESTGEN_SETPARAMS);
                return "Set Params Cancel";
            case 8: {
                static const int kRadios[] = {IDC_FIXED_RANGE, IDC_FIXED_FREQ, IDC_AVG_RELATIVE};
                const int id = kRadios[Pick(3)];
                // As a click does: the button checked, then its event.
                wxRadioButton* radio = Form()->Radio(id);
                radio->SetValue(true);
                wxCommandEvent event(wxEVT_RADIOBUTTON, radio->GetId());
                event.SetEventObject(radio);
                event.SetInt(1);
                radio->HandleWindowEvent(event);
                return "radio " + std::to_string(id);
            }
            case 9:
                SendCommand(ID_FILE_NEW);
                return "New";
            case 10: {
                const int value = Between(-5, 105);
                Form()->SetItemInt(IDC_THRESHOLD_ADJUST, value);
                return "threshold " + std::to_string(value);
            }
            case 11: {
                const int value = Between(-25, 45);
                Form()->SetItemInt(IDC_VOLUME_ADJUST, value);
                return "volume " + std::to_string(value);
            }
            default: {
                const int id = Pick(2) == 0 ? IDC_THRESHOLD_SPIN : IDC_VOLUME_SPIN;
                const int step = Pick(2) == 0 ? 1 : -1;
                Form()->Spin(id)->Step(step);
                return "spin " + std::to_string(id) + (step > 0 ? " up" : " down");
            }
        }
    }

    // A random short pause in which the window runs its events (timers, painting).
    void RandomPause() {
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(Between(0, 12));
        do {
            wxTheApp->Yield(true);
            std::this_thread::sleep_for(1ms);
        } while (std::chrono::steady_clock::now() < end);
    }

    // Every source stopped: the file and the tone give way to the line, which is switched off.
    void StopEverything() {
        ChooseMenu(ID_LINE_ON);
        ChooseMenu(ID_LINE_OFF);
    }

    std::mt19937 m_random;
    // The message the last command gives by design (none: empty).
    std::string m_expectedMessage;
    std::vector<std::string> m_files;
};

TEST_F(CommandStormTest, ThousandRandomCommandsLeaveTheWindowAnsweringAndIdle) {
    const unsigned long seed = EnvironmentNumber("KAVRIN_STORM_SEED", std::random_device()());
    const unsigned long count = EnvironmentNumber("KAVRIN_STORM_COMMANDS", 1000);
    std::printf("command storm: %lu commands, seed %lu (replay with KAVRIN_STORM_SEED=%lu)\n",
                count, seed, seed);
    std::fflush(stdout);
    m_random.seed(static_cast<std::mt19937::result_type>(seed));

    const auto idleBefore = CpuWhileIdle(1s);

    std::printf("standard error goes to %s meanwhile\n", TempPath("stderr.txt").c_str());
    std::fflush(stdout);
    test_support::StderrCapture capture(TempPath("stderr.txt"));
    ASSERT_TRUE(capture.Capturing());

    std::deque<std::string> recent;
    std::size_t messages = 0;
    std::chrono::milliseconds slowest{0};
    std::string slowestName;
    const auto stormStart = std::chrono::steady_clock::now();
    for (unsigned long i = 0; i < count && !HasFatalFailure(); ++i) {
        const auto start = std::chrono::steady_clock::now();
        m_expectedMessage.clear();
        std::string name = RandomCommand();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (took > slowest) {
            slowest = took;
            slowestName = name;
        }
        recent.push_back(std::to_string(i) + ": " + name);
        if (recent.size() > 20) recent.pop_front();
        // A command of the storm that takes seconds is a hang in the making.
        EXPECT_LT(took, 3s) << "command " << i << " (" << name << ") took " << took.count()
                            << " ms, seed " << seed;
        for (const RecordedMessage& message : Messages()) {
            if (message.text == m_expectedMessage) continue;
            ++messages;
            ADD_FAILURE() << "command " << i << " (" << name << ") said \"" << message.text
                          << "\", seed " << seed;
        }
        ClearMessages();
        RandomPause();
    }
    const auto stormTook = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - stormStart);

    StopEverything();
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            return SourcePane() == "Idle";
        },
        2s))
        << SourcePane();

    // The window answers: a queued event, and a command whose effect shows.
    const auto answer = RoundTrip(1s);
    EXPECT_TRUE(answer.has_value()) << "the window did not answer within 1 s";
    Form()->SetItemInt(IDC_VOLUME_ADJUST, 33);
    const auto newStart = std::chrono::steady_clock::now();
    SendCommand(ID_FILE_NEW);
    EXPECT_LT(std::chrono::steady_clock::now() - newStart, 1s);
    EXPECT_EQ(Form()->Edit(IDC_VOLUME_ADJUST)->GetValue(), "10");

    // Idle again: within a few seconds an idle second costs what it did before the storm.
    const auto limit = idleBefore * 3 / 2 + 50ms;
    std::chrono::milliseconds idleAfter{0};
    for (int attempt = 0; attempt < 5; ++attempt) {
        idleAfter = CpuWhileIdle(1s);
        if (idleAfter <= limit) break;
    }
    EXPECT_LE(idleAfter, limit) << "the processor does not settle after the storm";

    const std::string written = capture.Finish();
    EXPECT_EQ(written.find("Sanitizer"), std::string::npos) << written.substr(0, 8000);
    EXPECT_EQ(written.find("Expression '"), std::string::npos) << written.substr(0, 4000);

    std::printf(
        "command storm: %lu commands in %lld ms, slowest %lld ms (%s); idle second before %lld "
        "ms, after %lld ms; window answered in %lld ms\n",
        count, static_cast<long long>(stormTook.count()), static_cast<long long>(slowest.count()),
        slowestName.c_str(), static_cast<long long>(idleBefore.count()),
        static_cast<long long>(idleAfter.count()),
        static_cast<long long>(answer ? answer->count() : -1));
    if (!written.empty()) std::printf("standard error got:\n%s\n", written.c_str());
    if (HasFailure()) {
        std::printf("the last commands (seed %lu):\n", seed);
        for (const std::string& line : recent) std::printf("  %s\n", line.c_str());
    }
    EXPECT_EQ(messages, 0u);

    const auto closeTook = CloseApp();
    std::printf("close took %lld ms\n", static_cast<long long>(closeTook.count()));
    EXPECT_LT(closeTook, 1s);
}

}  // namespace
}  // namespace gui_test
