// The window's side of the seams: a message raised on a worker thread appears as a modal message
// box on the user-interface thread (caption "Kavrin", OK, exclamation or stop icon) while the
// worker waits; the sound-file dialog's filter lists .WAV in any case.
#include "app/gui_seams.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "app/kavrin_message_dlg.h"
#include "platform/message_box.h"
#include "tests/app/gui_test_support.h"

namespace gui_test {
namespace {

using namespace std::chrono_literals;

class GuiSeamsTest : public GuiTest {
protected:
    void TearDown() override {
        kavrin::RemoveGuiSeams();
        GuiTest::TearDown();
    }
};

TEST_F(GuiSeamsTest, AMessageFromAWorkerIsShownOnTheUserInterfaceThread) {
    kavrin::InstallGuiSeams();
    std::thread::id shownOn;
    wxString caption;
    wxString text;
    std::optional<platform::MessageIcon> icon;
    const auto answer = [&](wxDialog* dialog) {
        shownOn = std::this_thread::get_id();
        auto* box = dynamic_cast<kavrin::CKavrinMessageDlg*>(dialog);
        EXPECT_NE(box, nullptr);
        if (box) {
            caption = box->GetTitle();
            text = box->GetText();
            icon = box->GetIconKind();
        }
        return wxID_OK;
    };
    dialogs->Expect(answer);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        platform::ShowMessage("Cannot Add Buffer !");
        returned = true;
    });
    // The worker waits until the box has been dismissed on this thread.
    EXPECT_TRUE(WaitUntil(
        [&] {
            Yield();
            return returned.load();
        },
        10s));
    worker.join();
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    EXPECT_EQ(caption, "Kavrin");
    EXPECT_EQ(text, "Cannot Add Buffer !");
    EXPECT_EQ(icon, platform::MessageIcon::Exclamation);

    dialogs->Expect(answer);
    platform::ShowMessage("File error", platform::MessageIcon::Stop);
    EXPECT_EQ(icon, platform::MessageIcon::Stop);
    EXPECT_EQ(text, "File error");
}

// How many pixels of `window`'s area on the screen differ from its top-left pixel.
int InkedPixels(wxWindow* window) {
    const wxRect area = window->GetScreenRect();
    wxBitmap shot(area.width, area.height);
    wxMemoryDC memory(shot);
    wxScreenDC screen;
    memory.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
    memory.SelectObject(wxNullBitmap);
    const wxImage image = shot.ConvertToImage();
    const unsigned char* rgb = image.GetData();
    int inked = 0;
    for (int i = 0; i < area.width * area.height; ++i)
        if (rgb[3 * i] != rgb[0] || rgb[3 * i + 1] != rgb[1] || rgb[3 * i + 2] != rgb[2]) ++inked;
    return inked;
}

TEST_F(GuiSeamsTest, AMessageBoxShowsItsIconBesideTheTextWithOneOkButton) {
    for (const auto kind : {platform::MessageIcon::Exclamation, platform::MessageIcon::Stop}) {
        auto* box = new kavrin::CKavrinMessageDlg(nullptr, "Cannot open  & read", kind);
        EXPECT_EQ(box->GetTitle(), "Kavrin");
        int buttons = 0;
        wxString shownText;
        for (wxWindow* child : box->GetChildren()) {
            if (auto* button = dynamic_cast<wxButton*>(child)) {
                ++buttons;
                EXPECT_EQ(button->GetLabel(), "OK");
            }
            if (auto* label = dynamic_cast<wxStaticText*>(child)) shownText = label->GetLabelText();
        }
        EXPECT_EQ(buttons, 1);
        EXPECT_EQ(shownText, "Cannot open  & read");
        const wxArtID art = kind == platform::MessageIcon::Stop ? wxART_ERROR : wxART_WARNING;
        const wxBitmap expected = wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX);
        ASSERT_TRUE(expected.IsOk());
        EXPECT_EQ(box->GetImage()->GetBitmap().GetSize(), expected.GetSize());
        // The icon stands left of the text, and it is drawn on the screen.
        box->Show();
        Yield();
        EXPECT_TRUE(WaitUntil(
            [&] {
                Yield();
                return InkedPixels(box->GetImage()) > 50;
            },
            5s))
            << "no icon on the screen";
        box->Destroy();
        Yield();
    }
}

TEST_F(GuiSeamsTest, ReturnAndEscapeCloseTheMessageBox) {
    for (const int key : {WXK_RETURN, WXK_ESCAPE}) {
        auto* box = new kavrin::CKavrinMessageDlg(nullptr, "Cannot Add Buffer !",
                                                  platform::MessageIcon::Exclamation);
        int result = -1;
        box->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) {
            result = event.GetId();
            event.Skip();
        });
        box->Show();
        box->Raise();
        Yield();
        // With no window manager the keyboard follows the pointer.
        wxUIActionSimulator simulator;
        const wxRect area = box->GetScreenRect();
        simulator.MouseMove(area.x + area.width / 2, area.y + area.height / 2);
        Yield();
        simulator.Char(key);
        EXPECT_TRUE(WaitUntil(
            [&] {
                Yield();
                return !box->IsShown();
            },
            5s))
            << "key " << key << " left the box open";
        EXPECT_EQ(result, wxID_OK);
        box->Destroy();
        Yield();
    }
}

TEST_F(GuiSeamsTest, TheSoundFileFilterListsWavInAnyCase) {
    platform::OpenFileRequest request;
    request.title = "Sound file to load";
    request.filterLabel = "Sound File (*.Wav)";
    request.presetName = "*.WAV";
    const wxString wildcard = kavrin::OpenFileWildcard(request);
    EXPECT_TRUE(wildcard.StartsWith("Sound File (*.Wav)|"));
    for (const char* pattern :
         {"*.WAV", "*.wav", "*.Wav", "*.wAV", "*.waV", "*.WaV", "*.WAv", "*.wAv"})
        EXPECT_NE(wildcard.Find(pattern), wxNOT_FOUND) << pattern;
    EXPECT_EQ(wildcard.Freq(';'), 7u);
}

}  // namespace
}  // namespace gui_test
