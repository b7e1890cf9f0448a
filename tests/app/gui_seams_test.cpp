// The window's side of the seams: a message raised on a worker thread appears as a modal message
// box on the user-interface thread (caption "Kavrin", OK, exclamation or stop icon) while the
// worker waits; the sound-file dialog's filter lists .WAV in any case.
#include "app/gui_seams.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/msgdlg.h>

#include <atomic>
#include <chrono>
#include <thread>

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
    long style = 0;
    const auto answer = [&](wxDialog* dialog) {
        shownOn = std::this_thread::get_id();
        auto* box = dynamic_cast<wxMessageDialog*>(dialog);
        EXPECT_NE(box, nullptr);
        if (box) {
            caption = box->GetCaption();
            text = box->GetMessage();
            style = box->GetMessageDialogStyle();
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
    EXPECT_TRUE(style & wxOK);
    EXPECT_TRUE(style & wxICON_EXCLAMATION);

    dialogs->Expect(answer);
    platform::ShowMessage("File error", platform::MessageIcon::Stop);
    EXPECT_TRUE(style & wxICON_STOP);
    EXPECT_EQ(text, "File error");
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
