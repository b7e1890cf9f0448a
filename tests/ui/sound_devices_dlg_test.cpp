// The sound-device dialog on its own, with lists given to it: "System default" first, then the
// devices as "name (host API)"; the current choices selected; the selections handed back.
#include "ui/sound_devices_dlg.h"

#include <gtest/gtest.h>
#include <wx/listbox.h>

#include <vector>

namespace kavrin {
namespace {

using platform::SoundDeviceId;

const std::vector<SoundDeviceId> kInputs = {{"kavrin_null", "ALSA"}, {"kavrin_null2", "ALSA"}};
const std::vector<SoundDeviceId> kOutputs = {
    {"kavrin_null", "ALSA"}, {"system", "JACK Audio Connection Kit"}, {"pulse", "ALSA"}};

std::vector<wxString> Entries(const wxListBox* list) {
    std::vector<wxString> entries;
    for (unsigned i = 0; i < list->GetCount(); ++i) entries.push_back(list->GetString(i));
    return entries;
}

TEST(SoundDevicesDlg, ListsTheSystemDefaultFirstThenEachDeviceWithItsHostApi) {
    CSoundDevicesDlg dialog(nullptr, kInputs, kOutputs, {}, {});
    EXPECT_EQ(dialog.GetTitle(), "Sound Devices");
    EXPECT_EQ(
        Entries(dialog.InputList()),
        (std::vector<wxString>{"System default", "kavrin_null (ALSA)", "kavrin_null2 (ALSA)"}));
    EXPECT_EQ(Entries(dialog.OutputList()),
              (std::vector<wxString>{"System default", "kavrin_null (ALSA)",
                                     "system (JACK Audio Connection Kit)", "pulse (ALSA)"}));
    // Untouched, both stay at the system default.
    EXPECT_EQ(dialog.InputList()->GetSelection(), 0);
    EXPECT_EQ(dialog.OutputList()->GetSelection(), 0);
    EXPECT_TRUE(dialog.Input().IsSystemDefault());
    EXPECT_TRUE(dialog.Output().IsSystemDefault());
    EXPECT_NE(dialog.FindWindow(wxID_OK), nullptr);
    EXPECT_NE(dialog.FindWindow(wxID_CANCEL), nullptr);
}

TEST(SoundDevicesDlg, OpensOnTheCurrentChoicesAndHandsBackTheSelections) {
    CSoundDevicesDlg dialog(nullptr, kInputs, kOutputs, {"kavrin_null2", "ALSA"},
                            {"pulse", "ALSA"});
    EXPECT_EQ(dialog.InputList()->GetSelection(), 2);
    EXPECT_EQ(dialog.OutputList()->GetSelection(), 3);
    EXPECT_EQ(dialog.Input(), (SoundDeviceId{"kavrin_null2", "ALSA"}));
    EXPECT_EQ(dialog.Output(), (SoundDeviceId{"pulse", "ALSA"}));
    dialog.InputList()->SetSelection(0);
    dialog.OutputList()->SetSelection(2);
    EXPECT_TRUE(dialog.Input().IsSystemDefault());
    EXPECT_EQ(dialog.Output(), (SoundDeviceId{"system", "JACK Audio Connection Kit"}));
}

TEST(SoundDevicesDlg, AChoiceThatIsNotListedShowsTheSystemDefault) {
    // Same name, other host API: not the listed device.
    CSoundDevicesDlg dialog(nullptr, kInputs, kOutputs, {"usb_mic", "ALSA"},
                            {"pulse", "JACK Audio Connection Kit"});
    EXPECT_EQ(dialog.InputList()->GetSelection(), 0);
    EXPECT_EQ(dialog.OutputList()->GetSelection(), 0);
    EXPECT_TRUE(dialog.Input().IsSystemDefault());
    EXPECT_TRUE(dialog.Output().IsSystemDefault());
}

TEST(SoundDevicesDlg, WithNoDevicesOnlyTheSystemDefaultIsOffered) {
    CSoundDevicesDlg dialog(nullptr, {}, {}, {}, {});
    EXPECT_EQ(Entries(dialog.InputList()), (std::vector<wxString>{"System default"}));
    EXPECT_EQ(Entries(dialog.OutputList()), (std::vector<wxString>{"System default"}));
    EXPECT_TRUE(dialog.Input().IsSystemDefault());
}

}  // namespace
}  // namespace kavrin
