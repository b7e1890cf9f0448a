// The window's side of the seams: a message raised on a worker thread appears as a modal message
// box on the user-interface thread (caption "Kavrin", OK, exclamation or stop icon) while the
// worker waits; the sound-file dialog's filter lists .WAV in any case.
#include "app/gui_seams.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "app/kavrin_message_dlg.h"
#include "app/main_frame.h"
#include "platform/services/message_box.h"
#include "tests/app/gui_test_support.h"
#include "tests/app/user_input.h"

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

// Gone from the screen and from the list of top-level windows before the next test starts.
void Dismiss(wxDialog* box) {
    box->Hide();
    box->Destroy();
    WaitUntil(
        [&] {
            wxTheApp->ProcessIdle();
            return wxTopLevelWindows.Find(box) == nullptr;
        },
        5s);
}

// How many pixels of the picture are not transparent.
int OpaquePixels(const wxBitmap& bitmap) {
    const wxImage image = bitmap.ConvertToImage();
    int opaque = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (!image.HasAlpha() || image.GetAlpha(x, y) > 128) ++opaque;
    return opaque;
}

TEST_F(GuiSeamsTest, AMessageBoxShowsItsIconBesideTheTextWithOneOkButton) {
    ASSERT_TRUE(StartApp());
    for (const auto kind : {platform::MessageIcon::Exclamation, platform::MessageIcon::Stop}) {
        auto* box = new kavrin::CKavrinMessageDlg(Frame(), "Cannot open  & read", kind);
        EXPECT_EQ(box->GetTitle(), "Kavrin");
        int buttons = 0;
        wxString shownText;
        wxRect textRect;
        for (wxWindow* child : box->GetChildren()) {
            if (auto* button = dynamic_cast<wxButton*>(child)) {
                ++buttons;
                EXPECT_EQ(button->GetLabel(), "OK");
            }
            if (auto* label = dynamic_cast<wxStaticText*>(child)) {
                shownText = label->GetLabelText();
                textRect = label->GetRect();
            }
        }
        EXPECT_EQ(buttons, 1);
        EXPECT_EQ(shownText, "Cannot open  & read");
        const wxArtID art = kind == platform::MessageIcon::Stop ? wxART_ERROR : wxART_WARNING;
        const wxBitmap expected = wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX);
        ASSERT_TRUE(expected.IsOk());
        EXPECT_EQ(box->GetImage()->GetBitmap().GetSize(), expected.GetSize());
        EXPECT_GT(OpaquePixels(box->GetImage()->GetBitmap()), 50);
        // Shown, whole, left of the text.
        box->Show();
        Yield();
        EXPECT_TRUE(box->GetImage()->IsShown());
        EXPECT_GE(box->GetImage()->GetSize().x, expected.GetWidth());
        EXPECT_LT(box->GetImage()->GetRect().GetRight(), textRect.x);
        Dismiss(box);
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
        PointAt(box, wxPoint(box->GetClientSize().x / 2, box->GetClientSize().y / 2));
        Yield();
        TypeKey(box, key);
        EXPECT_TRUE(WaitUntil(
            [&] {
                Yield();
                return !box->IsShown();
            },
            5s))
            << "key " << key << " left the box open";
        EXPECT_EQ(result, wxID_OK);
        Dismiss(box);
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
