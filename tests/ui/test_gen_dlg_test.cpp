// The test-generator dialog on its own: layout texts, the exchange of its two fields, and the
// focus and selection after a failed check.
#include "ui/test_gen_dlg.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/textctrl.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/services/message_box.h"

namespace kavrin {
namespace {

class TestGenDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessagePresenter([this](const std::string& text, platform::MessageIcon) {
            std::lock_guard<std::mutex> guard(lock);
            messages.push_back(text);
        });
    }
    void TearDown() override { platform::SetMessagePresenter(nullptr); }

    std::mutex lock;
    std::vector<std::string> messages;
};

TEST_F(TestGenDlgTest, FillsTheEditsAndReadsThemBack) {
    CTestGenDlg dialog(nullptr);
    EXPECT_EQ(dialog.GetTitle(), "Set test generator paramaters");
    EXPECT_EQ(dialog.m_amplitude, 0u);
    EXPECT_EQ(dialog.m_frequency, 0u);
    EXPECT_NE(dialog.FindWindow(wxID_OK), nullptr);
    EXPECT_NE(dialog.FindWindow(wxID_CANCEL), nullptr);
    dialog.m_amplitude = 10;
    dialog.m_frequency = 10;
    ASSERT_TRUE(dialog.TransferDataToWindow());
    EXPECT_EQ(dialog.AmplitudeEdit()->GetValue(), "10");
    EXPECT_EQ(dialog.FrequencyEdit()->GetValue(), "10");
    dialog.AmplitudeEdit()->ChangeValue(" 250 ");
    dialog.FrequencyEdit()->ChangeValue("17");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(dialog.m_amplitude, 250u);
    EXPECT_EQ(dialog.m_frequency, 17u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TestGenDlgTest, AFailedFieldKeepsTheDialogWithItsTextSelected) {
    CTestGenDlg dialog(nullptr);
    dialog.Show();
    wxTheApp->Yield(true);
    dialog.AmplitudeEdit()->ChangeValue("100");
    dialog.FrequencyEdit()->ChangeValue("30000");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Please enter an integer between 0 and 22000.");
    // The amplitude, checked first, was taken; the frequency was not.
    EXPECT_EQ(dialog.m_amplitude, 100u);
    EXPECT_EQ(dialog.m_frequency, 0u);
    long from = 0;
    long to = 0;
    dialog.FrequencyEdit()->GetSelection(&from, &to);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 5);
    wxTheApp->Yield(true);
    EXPECT_EQ(wxWindow::FindFocus(), dialog.FrequencyEdit());
    dialog.Hide();
}

}  // namespace
}  // namespace kavrin
