// Input > "Sound Devices..." through the real window and the real PortAudio driver, against the
// private PulseAudio of scripts/with-pulseaudio.sh with KAVRIN_PULSE_SECOND_SINK=1: two null
// sinks, kavrin_null (the default) and kavrin_null2, each an ALSA device of its own. Where Line
// On records and File plays is read from the server (pactl). Runs as its own ctest entry
// (gui_sound_devices) with its own server; without KAVRIN_PULSE_SECOND_SINK=1 it is skipped.
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/file_names.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "platform/devices/wave_audio.h"
#include "platform/portaudio/portaudio_driver.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/sound_devices_dlg.h"
#include "ui/string_table.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;

constexpr const char* kFirstSink = "kavrin_null";
constexpr const char* kSecondSink = "kavrin_null2";
constexpr const char* kSecondDevice = "kavrin_null2 (ALSA)";

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        while (std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, count);
        ::pclose(pipe);
    }
    return output;
}

// The server's index of the sink or source of that name ("sinks" or "sources"); empty if none.
std::string IndexOf(const std::string& list, const std::string& name) {
    std::istringstream lines(Run("pactl list short " + list));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string index;
        std::string field;
        fields >> index >> field;
        if (field == name) return index;
    }
    return {};
}

// How many streams ("sink-inputs" or "source-outputs") the server has on that sink or source.
int StreamsOn(const std::string& streams, const std::string& list, const std::string& name) {
    const std::string target = IndexOf(list, name);
    if (target.empty()) return -1;
    std::istringstream lines(Run("pactl list short " + streams));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string index;
        std::string on;
        fields >> index >> on;
        if (on == target) ++count;
    }
    return count;
}

int PlaybackOn(const std::string& sink) {
    return StreamsOn("sink-inputs", "sinks", sink);
}
int RecordingFrom(const std::string& sink) {
    return StreamsOn("source-outputs", "sources", sink + ".monitor");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SoundDevicesTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        const char* second = std::getenv("KAVRIN_PULSE_SECOND_SINK");
        if (!second || std::string(second) != "1")
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh with KAVRIN_PULSE_SECOND_SINK=1";
        ASSERT_FALSE(IndexOf("sinks", kSecondSink).empty()) << "the server has no second sink";
        // The real sound devices, as the window has them.
        platform::SetWaveAudioDriver(platform::MakePortAudioDriver());
    }

    std::string SettingsPath() {
        const std::string path = FileNameBytes(SettingsFilePath());
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        return path;
    }
    std::string MessagePane() {
        return Frame()->GetStatusBar()->GetStatusText(0).ToStdString(wxConvUTF8);
    }
    int MessagePaneWidth() {
        wxRect rect;
        Frame()->GetStatusBar()->GetFieldRect(0, rect);
        return rect.width;
    }
    // Waits, letting the window run, until `condition` holds.
    bool Await(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
        return WaitUntil(
            [&] {
                Yield();
                return condition();
            },
            timeout);
    }

    // The next Sound Devices dialog: its lists are kept, then the entries of those labels are
    // chosen and OK pressed (nothing: Cancel).
    void AnswerDevices(std::optional<wxString> input, std::optional<wxString> output) {
        dialogs->Expect([this, input, output](wxDialog* shown) {
            auto* dialog = dynamic_cast<CSoundDevicesDlg*>(shown);
            EXPECT_NE(dialog, nullptr) << "not the sound devices dialog";
            if (!dialog) return static_cast<int>(wxID_CANCEL);
            m_inputEntries = dialog->InputList()->GetStrings();
            m_outputEntries = dialog->OutputList()->GetStrings();
            m_inputSelection = dialog->InputList()->GetStringSelection();
            m_outputSelection = dialog->OutputList()->GetStringSelection();
            if (!input || !output) return static_cast<int>(wxID_CANCEL);
            const int in = dialog->InputList()->FindString(*input, true);
            const int out = dialog->OutputList()->FindString(*output, true);
            EXPECT_NE(in, wxNOT_FOUND) << input->ToStdString();
            EXPECT_NE(out, wxNOT_FOUND) << output->ToStdString();
            dialog->InputList()->SetSelection(in);
            dialog->OutputList()->SetSelection(out);
            return static_cast<int>(wxID_OK);
        });
    }

    void PlayAFile() {
        // Ten seconds of tone: still playing while the server is asked.
        ChooseSoundFile(MakeToneFile("tone.wav", 11025 * 10, 10.0, 3000));
        ChooseMenu(ID_INPUT_FILE);
    }

    wxArrayString m_inputEntries;
    wxArrayString m_outputEntries;
    wxString m_inputSelection;
    wxString m_outputSelection;
};

TEST_F(SoundDevicesTest, TheItemEndsTheInputMenuAndTheDialogListsTheDefaultThenTheDevices) {
    ASSERT_TRUE(StartApp());
    wxMenu* input = Frame()->GetMenuBar()->GetMenu(0);
    const wxMenuItemList& items = input->GetMenuItems();
    ASSERT_GE(items.GetCount(), 2u);
    wxMenuItem* last = items.GetLast()->GetData();
    EXPECT_EQ(last->GetId(), ToolkitId(ID_INPUT_SOUND_DEVICES));
    EXPECT_EQ(last->GetItemLabel(), "Sound Devices...");
    EXPECT_EQ(items.Item(items.GetCount() - 2)->GetData()->GetItemLabel(), "Telephone");
    EXPECT_EQ(last->GetHelp(), CommandPrompt(ID_INPUT_SOUND_DEVICES));
    EXPECT_FALSE(last->GetHelp().empty());
    EXPECT_TRUE(MenuEnabled(ID_INPUT_SOUND_DEVICES));

    AnswerDevices(std::nullopt, std::nullopt);
    ChooseMenu(ID_INPUT_SOUND_DEVICES);
    ASSERT_EQ(dialogs->Shown(), 1);
    for (const wxArrayString* entries : {&m_inputEntries, &m_outputEntries}) {
        ASSERT_GE(entries->GetCount(), 3u);
        EXPECT_EQ((*entries)[0], "System default");
        EXPECT_NE(entries->Index("kavrin_null (ALSA)"), wxNOT_FOUND);
        EXPECT_NE(entries->Index(kSecondDevice), wxNOT_FOUND);
        EXPECT_EQ(entries->Index("System default"), 0);
    }
    EXPECT_EQ(m_inputSelection, "System default");
    EXPECT_EQ(m_outputSelection, "System default");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SoundDevicesTest, UntouchedTheSystemDefaultRecordsAndPlaysAndNothingIsWritten) {
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kFirstSink) == 1; }))
        << "no capture on the default";
    EXPECT_EQ(RecordingFrom(kSecondSink), 0);
    ChooseMenu(ID_LINE_OFF);
    EXPECT_TRUE(Await([] { return RecordingFrom(kFirstSink) == 0; }));
    PlayAFile();
    // The script's silent stream that keeps the default sink running, and ours.
    EXPECT_TRUE(Await([] { return PlaybackOn(kFirstSink) == 2; })) << "no playback on the default";
    EXPECT_EQ(PlaybackOn(kSecondSink), 0);
    EXPECT_EQ(MessagePane(), "Ready");
    CloseApp();
    EXPECT_EQ(ReadFile(SettingsPath()).find("Devices"), std::string::npos);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SoundDevicesTest, TheChosenSecondSinkIsWhereLineOnRecordsAndFilePlaysAfterARestartToo) {
    ASSERT_TRUE(StartApp());
    AnswerDevices(wxString(kSecondDevice), wxString(kSecondDevice));
    ChooseMenu(ID_INPUT_SOUND_DEVICES);
    ASSERT_EQ(dialogs->Shown(), 1);

    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kSecondSink) == 1; })) << "no capture there";
    EXPECT_EQ(RecordingFrom(kFirstSink), 0);
    PlayAFile();
    EXPECT_TRUE(Await([] { return PlaybackOn(kSecondSink) == 1; })) << "no playback there";
    EXPECT_EQ(PlaybackOn(kFirstSink), 1);  // only the script's silent stream

    // Remembered under [Devices], and chosen again by the next start.
    RestartApp();
    const std::string settings = ReadFile(SettingsPath());
    EXPECT_NE(settings.find("[Devices]\nInput=kavrin_null2\nInputHostApi=ALSA\n"
                            "Output=kavrin_null2\nOutputHostApi=ALSA\n"),
              std::string::npos)
        << settings;
    EXPECT_EQ(PlaybackOn(kSecondSink), 0);
    PlayAFile();
    EXPECT_TRUE(Await([] { return PlaybackOn(kSecondSink) == 1; })) << "not after the restart";
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kSecondSink) == 1; })) << "not after the restart";
    AnswerDevices(wxString("System default"), wxString("System default"));
    ChooseMenu(ID_INPUT_SOUND_DEVICES);
    EXPECT_EQ(m_inputSelection, kSecondDevice);
    EXPECT_EQ(m_outputSelection, kSecondDevice);
    // A run goes on with the device it opened; the next one opens the new choice.
    EXPECT_EQ(RecordingFrom(kSecondSink), 1);
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kFirstSink) == 1; }));
    EXPECT_EQ(RecordingFrom(kSecondSink), 0);

    // Back at the system default, nothing is remembered.
    CloseApp();
    EXPECT_EQ(ReadFile(SettingsPath()).find("Devices"), std::string::npos);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SoundDevicesTest, ARememberedDeviceThatIsGoneFallsBackToTheDefaultWithANote) {
    std::ofstream(SettingsPath())
        << "[Devices]\nInput=kavrin_unplugged\nInputHostApi=ALSA\nOutput=kavrin_null2\n"
           "OutputHostApi=Gone Host API\n";
    ASSERT_TRUE(StartApp());
    EXPECT_EQ(MessagePane(), "Ready");
    const int narrow = MessagePaneWidth();
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kFirstSink) == 1; }))
        << "no capture on the default";
    EXPECT_TRUE(Await([&] {
        return MessagePane() ==
               "Not found: \"kavrin_unplugged (ALSA)\"; using the system default input";
    })) << MessagePane();
    PlayAFile();
    EXPECT_TRUE(Await([] { return PlaybackOn(kFirstSink) == 2; })) << "no playback on the default";
    EXPECT_EQ(PlaybackOn(kSecondSink), 0);
    EXPECT_TRUE(Await([&] {
        return MessagePane() ==
               "Not found: \"kavrin_null2 (Gone Host API)\"; using the system default output";
    })) << MessagePane();
    EXPECT_TRUE(Messages().empty()) << Messages().front().text;
    // Made for "Ready", the pane takes half the room while it holds a note.
    EXPECT_GT(MessagePaneWidth(), narrow * 3 / 2);

    // The dialog shows the default for them; a choice made there clears the note.
    AnswerDevices(wxString(kSecondDevice), wxString("System default"));
    ChooseMenu(ID_INPUT_SOUND_DEVICES);
    EXPECT_EQ(m_inputSelection, "System default");
    EXPECT_EQ(m_outputSelection, "System default");
    EXPECT_EQ(MessagePane(), "Ready");
    EXPECT_EQ(MessagePaneWidth(), narrow);
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kSecondSink) == 1; }));
    for (int i = 0; i < 5; ++i) Yield();
    EXPECT_EQ(MessagePane(), "Ready");
}

TEST_F(SoundDevicesTest, AGoneDeviceStaysRememberedUntilAnotherIsChosen) {
    std::ofstream(SettingsPath()) << "[Devices]\nInput=kavrin_unplugged\nInputHostApi=ALSA\n";
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_LINE_ON);
    EXPECT_TRUE(Await([] { return RecordingFrom(kFirstSink) == 1; }));
    RestartApp();
    EXPECT_NE(ReadFile(SettingsPath()).find("Input=kavrin_unplugged\nInputHostApi=ALSA\n"),
              std::string::npos);
    // Cancel changes nothing.
    AnswerDevices(std::nullopt, std::nullopt);
    ChooseMenu(ID_INPUT_SOUND_DEVICES);
    CloseApp();
    EXPECT_NE(ReadFile(SettingsPath()).find("Input=kavrin_unplugged"), std::string::npos);
}

}  // namespace
}  // namespace gui_test
