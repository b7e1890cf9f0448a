// A settings file with bytes the toolkit does not expect: a comment that is no UTF-8, control
// characters and NUL bytes in a value, a value of megabytes. The window uses what it can, stays
// quick, and writes back every byte it was given beside what it changed.
#include <wx/filehistory.h>

#include <filesystem>
#include <fstream>

#include "app/file_names.h"
#include "app/kavrin_app.h"
#include "app/kavrin_doc_manager.h"
#include "app/settings.h"
#include "platform/devices/sound_device_choice.h"
#include "tests/app/gui_test_support.h"
#include "tests/support/stderr_capture.h"
#include "ui/command_ids.h"

namespace gui_test {
namespace {

using namespace kavrin;
using namespace std::chrono_literals;
using namespace std::string_literals;
namespace fs = std::filesystem;

struct SettingsCase {
    const char* name;
    std::string devicesLines;  // inside [Devices], before InputHostApi
    std::string input;         // the device the window should take ("" for the default)
    bool noted;                // a note on standard error
};

class SettingsBytesTest : public GuiTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsBytesTest, KeepsEveryByteAndUsesWhatItCan) {
    const SettingsCase& c = GetParam();
    const std::string path = FileNameBytes(SettingsFilePath());
    fs::create_directories(fs::path(path).parent_path());
    const std::string original = "[Devices]\n" + c.devicesLines +
                                 "InputHostApi=ALSA\n[Settings]\nDecodeAudioFiles=1\n"
                                 "[Recent File List]\nFile1=/old.wav\n";
    std::ofstream(path, std::ios::binary) << original;

    test_support::StderrCapture capture;
    ASSERT_TRUE(StartApp());
    EXPECT_TRUE(MenuChecked(ID_INPUT_DECODE));
    EXPECT_EQ(platform::ChosenSoundDevice(platform::SoundDirection::In).name, c.input);
    const auto answer = RoundTrip(2s);
    ASSERT_TRUE(answer.has_value());
    EXPECT_LT(*answer, 500ms);
    App().GetDocManager()->GetFileHistory()->AddFileToHistory(FileNameFromBytes("/new.wav"));
    EXPECT_LT(CloseApp(), 2s);
    const std::string said = capture.Finish();
    EXPECT_EQ(said.find("kavrin: ") != std::string::npos, c.noted) << said;

    std::ifstream in(path, std::ios::binary);
    const std::string written(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(written.find(c.devicesLines), std::string::npos) << "lost: " << c.name;
    EXPECT_NE(written.find("DecodeAudioFiles=1\n"), std::string::npos);
    EXPECT_NE(written.find("File1=/new.wav\nFile2=/old.wav\n"), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, SettingsBytesTest,
    ::testing::Values(
        SettingsCase{"Latin1Comment", "# Mikrofon f\xfcr Konferenzen\nInput=mic\n", "mic", false},
        SettingsCase{"LatinOneName", "Input=Ger\xe4t\n", "Ger\xe4t", false},
        SettingsCase{"ControlCharacters", "Input=m\x01i\x1b[31mc\x7f\n", "m\x01i\x1b[31mc\x7f",
                     false},
        SettingsCase{"NulByte", "Input=m\0ic\nX=\xc0\x81\n"s, "m", false},
        SettingsCase{"FourMegabytes", "Input=" + std::string(4 << 20, 'x') + "\n", "", true}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return info.param.name; });

}  // namespace
}  // namespace gui_test
