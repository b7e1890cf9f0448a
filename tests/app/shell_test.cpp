// The application shell through the real window: caption and size, menus, toolbar and status
// bar, command enabling, the document commands, settings across a restart, About and help.
#include <fcntl.h>
#include <unistd.h>
#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/about_dlg.h"
#include "app/kavrin_app.h"
#include "app/kavrin_doc_manager.h"
#include "app/kavrin_message_dlg.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "tests/app/gui_test_support.h"
#include "ui/command_ids.h"
#include "ui/form_ids.h"
#include "ui/frame_placement.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/tolmar_disp.h"

namespace gui_test {
namespace {

using namespace kavrin;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The next document file dialog is answered with `path`; its title is kept in `title`.
void ChoosePath(const std::string& path, wxString* title = nullptr) {
    wxGetApp().SetDocumentPathPrompt(
        [path, title](const wxString& asked, const wxString&, bool) -> wxString {
            if (title) *title = asked;
            const wxString answer = path;
            // Replacing the prompt ends this lambda's captures: nothing of them is used after.
            wxGetApp().SetDocumentPathPrompt([](const wxString&, const wxString&, bool) {
                ADD_FAILURE() << "a document file dialog nobody expected";
                return wxString();
            });
            return answer;
        });
}

// A value of the settings file as a fresh reader sees it; empty when absent.
std::string SettingsValue(const wxString& key) {
    wxFileConfig settings(kAppName, kVendorName, SettingsFilePath(), wxEmptyString,
                          wxCONFIG_USE_LOCAL_FILE);
    settings.SetExpandEnvVars(false);
    return settings.Read(key, wxEmptyString).ToStdString();
}

wxString EditText(CTolmarDisp* view, int id) {
    return view->GetForm()->Edit(id)->GetValue();
}

class ShellTest : public GuiTest {};

TEST_F(ShellTest, StartsUntitledWithItsFrameBarsAndIndicators) {
    ASSERT_TRUE(StartApp());
    CMainFrame* frame = Frame();
    EXPECT_EQ(frame->GetTitle(), "Untitled - Windows Tolmar (Tolmar)");
    EXPECT_TRUE(FrameHoldsTheDesignedForm(frame, View()->GetForm()));
    ASSERT_NE(frame->GetToolBar(), nullptr);
    EXPECT_TRUE(frame->GetToolBar()->IsShown());
    EXPECT_EQ(frame->GetToolBar()->GetToolsCount(), 10u);  // eight buttons, two separators
    wxStatusBar* status = frame->GetStatusBar();
    ASSERT_NE(status, nullptr);
    // The message pane, the source and reading panes, CAP, NUM, SCRL, and the recording pane,
    // empty and narrow when idle.
    EXPECT_EQ(status->GetFieldsCount(), 7);
    EXPECT_EQ(status->GetStatusText(0), "Ready");
    // The toolbar lies along the top, above the form; the status bar along the bottom.
    const wxRect form = View()->GetForm()->GetScreenRect();
    EXPECT_LE(frame->GetToolBar()->GetScreenRect().GetBottom(), form.GetTop());
    EXPECT_GE(status->GetScreenRect().GetTop(), form.GetBottom());
    EXPECT_EQ(frame->GetMenuBar()->GetMenuCount(), 4u);
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(0), "Input");
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(1), "&Timeline");
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(2), "&View");
    EXPECT_EQ(frame->GetMenuBar()->GetMenuLabel(3), "&Help");
}

TEST_F(ShellTest, EnablesExactlyTheCommandsThatHaveHandlers) {
    ASSERT_TRUE(StartApp());
    for (int id : {ID_LINE_ON, ID_LINE_OFF, ID_INPUT_FILE, ID_TESTGEN_START, ID_TESTGEN_STOP,
                   ID_TESTGEN_SETPARAMS, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_APP_ABOUT,
                   ID_HELP_CONTENTS})
        EXPECT_TRUE(MenuEnabled(id)) << id;
    EXPECT_FALSE(MenuEnabled(ID_INPUT_TELEPHONE));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_APP_ABOUT})
        EXPECT_TRUE(ToolEnabled(id)) << id;
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_FILE_PRINT})
        EXPECT_FALSE(ToolEnabled(id)) << id;
    // Asking ran no handler: no dialog, no message, no source.
    EXPECT_EQ(dialogs->Shown(), 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(View()->IsTimerRunning());
}

TEST_F(ShellTest, TelephoneAndUnhandledAcceleratorsDoNothing) {
    ASSERT_TRUE(StartApp());
    ChooseMenu(ID_INPUT_TELEPHONE);
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_NEXT_PANE,
                   ID_PREV_PANE, ID_FILE_PRINT})
        SendCommand(id);
    EXPECT_EQ(dialogs->Shown(), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ShellTest, ViewCommandsToggleTheBarsAndTheirChecks) {
    ASSERT_TRUE(StartApp());
    EXPECT_TRUE(MenuChecked(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(MenuChecked(ID_VIEW_STATUS_BAR));
    ChooseMenu(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(Frame()->GetToolBar()->IsShown());
    EXPECT_FALSE(MenuChecked(ID_VIEW_TOOLBAR));
    ChooseMenu(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(Frame()->GetStatusBar()->IsShown());
    EXPECT_FALSE(MenuChecked(ID_VIEW_STATUS_BAR));
    ChooseMenu(ID_VIEW_TOOLBAR);
    ChooseMenu(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(Frame()->GetToolBar()->IsShown());
    EXPECT_TRUE(Frame()->GetStatusBar()->IsShown());
    EXPECT_TRUE(MenuChecked(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(MenuChecked(ID_VIEW_STATUS_BAR));
}

TEST_F(ShellTest, MenuPromptsReachTheMessagePane) {
    ASSERT_TRUE(StartApp());
    wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, ToolkitId(ID_VIEW_TOOLBAR));
    Frame()->HandleWindowEvent(highlight);
    EXPECT_EQ(Frame()->GetStatusBar()->GetStatusText(0), "Show or hide the toolbar");
    // The program's own commands have no prompt: the pane is empty.
    wxMenuEvent own(wxEVT_MENU_HIGHLIGHT, ToolkitId(ID_LINE_ON));
    Frame()->HandleWindowEvent(own);
    EXPECT_EQ(Frame()->GetStatusBar()->GetStatusText(0), "");
    EXPECT_EQ(Frame()->GetToolBar()->GetToolShortHelp(ToolkitId(ID_FILE_NEW)), "New");
    EXPECT_EQ(Frame()->GetToolBar()->GetToolLongHelp(ToolkitId(ID_FILE_NEW)),
              "Create a new document");
}

TEST_F(ShellTest, SaveAsksForANameAndWritesAnEmptyFile) {
    ASSERT_TRUE(StartApp());
    // Over a file that holds data nothing is written, whatever the user confirmed.
    const std::string recording = TempPath("interview.wav");
    std::ofstream(recording) << "old contents";
    wxString title;
    ChoosePath(recording, &title);
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(ReadFile(recording), "old contents");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].text.find("holds data"), std::string::npos) << Messages()[0].text;
    ClearMessages();

    const std::string path = TempPath("saved.doc");
    ChoosePath(path, &title);
    SendCommand(ID_FILE_SAVE);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(Frame()->GetTitle(), "saved.doc - Windows Tolmar (Tolmar)");
    // Saved once, Save writes the same (still empty) file again without asking.
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    // Once the file holds data again, Save asks first instead of truncating it.
    std::ofstream(path) << "again";
    title.clear();
    ChoosePath("", &title);
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(ReadFile(path), "again");
}

TEST_F(ShellTest, SaveAfterOpenNeverTruncatesTheOpenedFile) {
    ASSERT_TRUE(StartApp());
    const std::string speech = TempPath("speech.wav");
    std::ofstream(speech, std::ios::binary) << std::string(4096, '\x11');
    ChoosePath(speech);
    SendCommand(ID_FILE_OPEN);
    ASSERT_EQ(Frame()->GetTitle(), "speech.wav - Windows Tolmar (Tolmar)");

    // Save goes through "Save As"; cancelling it leaves the file whole.
    wxString title;
    ChoosePath("", &title);
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(std::filesystem::file_size(speech), 4096u);
    EXPECT_EQ(Frame()->GetTitle(), "speech.wav - Windows Tolmar (Tolmar)");

    // A new name gets the empty document; the opened file stays as it was.
    const std::string copy = TempPath("copy.doc");
    ChoosePath(copy);
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(std::filesystem::file_size(speech), 4096u);
    ASSERT_TRUE(std::filesystem::exists(copy));
    EXPECT_EQ(std::filesystem::file_size(copy), 0u);
    EXPECT_EQ(Frame()->GetTitle(), "copy.doc - Windows Tolmar (Tolmar)");
    EXPECT_TRUE(Messages().empty());

    // An opened empty file is saved in place, as before.
    const std::string empty = TempPath("empty.doc");
    std::ofstream(empty).flush();
    ChoosePath(empty);
    SendCommand(ID_FILE_OPEN);
    SendCommand(ID_FILE_SAVE);
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

TEST_F(ShellTest, OpenTakesAnyFileAndChangesOnlyCaptionAndRecentFiles) {
    ASSERT_TRUE(StartApp());
    const std::string path = TempPath("anything.bin");
    std::ofstream(path, std::ios::binary) << std::string("\x00\x01\xff data", 9);
    const std::string before = ReadFile(path);
    View()->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 3);
    wxString title;
    ChoosePath(path, &title);
    SendCommand(ID_FILE_OPEN);
    EXPECT_EQ(title, "Open");
    EXPECT_EQ(Frame()->GetTitle(), "anything.bin - Windows Tolmar (Tolmar)");
    EXPECT_EQ(ReadFile(path), before);
    wxFileHistory* history = App().GetDocManager()->GetFileHistory();
    ASSERT_EQ(history->GetCount(), 1u);
    EXPECT_EQ(history->GetHistoryFile(0), path);
    // The view's initial update ran again.
    EXPECT_EQ(EditText(View(), IDC_THRESHOLD_ADJUST), "75");
    EXPECT_TRUE(Messages().empty());

    RestartApp();
    history = App().GetDocManager()->GetFileHistory();
    ASSERT_EQ(history->GetCount(), 1u);
    EXPECT_EQ(history->GetHistoryFile(0), path);
    // Written under its group and key names, readable by any reader of the format.
    EXPECT_EQ(SettingsValue("/Recent File List/File1"), path);
}

TEST_F(ShellTest, RecentFilesKeepFourMostRecentFirst) {
    ASSERT_TRUE(StartApp());
    std::vector<std::string> paths;
    for (int i = 0; i < 5; ++i) {
        paths.push_back(TempPath("f" + std::to_string(i)));
        std::ofstream(paths.back()) << i;
        ChoosePath(paths.back());
        SendCommand(ID_FILE_OPEN);
    }
    RestartApp();
    wxFileHistory* history = App().GetDocManager()->GetFileHistory();
    ASSERT_EQ(history->GetCount(), 4u);
    EXPECT_EQ(history->GetHistoryFile(0), paths[4]);
    EXPECT_EQ(history->GetHistoryFile(3), paths[1]);
    EXPECT_EQ(SettingsValue("/Recent File List/File4"), paths[1]);
    EXPECT_EQ(SettingsValue("/Recent File List/File5"), "");
}

TEST_F(ShellTest, CorruptSettingsStartWithDefaults) {
    std::filesystem::create_directories(
        std::filesystem::path(SettingsFilePath().ToStdString()).parent_path());
    std::ofstream(SettingsFilePath().ToStdString(), std::ios::binary)
        << std::string("\xff\xfe[[[\x00garbage\n=\n[Recent File List\nFile1", 40);
    ASSERT_TRUE(StartApp());
    EXPECT_EQ(Frame()->GetTitle(), "Untitled - Windows Tolmar (Tolmar)");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(dialogs->Shown(), 0);
}

TEST_F(ShellTest, TheFrameComesBackWhereItWasLeftAndNeverOutOfTheWorkArea) {
    ASSERT_TRUE(StartApp());
    const wxRect area = WorkAreaOf(*Frame());
    ChooseMenu(ID_TIMELINE_SHOW);
    const wxRect left(area.x + 40, area.y + 30, 700, 620);
    Frame()->SetSize(left);
    RestartApp();
    // A Wayland client is not told where its window is, nor can it place it: there the size
    // comes back.
    if (OnWayland())
        EXPECT_EQ(Frame()->GetSize(), left.GetSize());
    else
        EXPECT_EQ(Frame()->GetRect(), left);
    EXPECT_TRUE(MenuChecked(ID_TIMELINE_SHOW));
    // Left on a display that is gone, wider than this one and short: placed whole inside it, and
    // the timeline gives up its room before the form does.
    CloseApp();
    std::ofstream(SettingsFilePath().ToStdString(), std::ios::trunc)
        << "[Window]\nX=" << area.GetRight() + 500 << "\nY=-900\nWidth=" << area.width + 300
        << "\nHeight=500\nTimeline=1\n";
    ASSERT_TRUE(StartApp());
    if (OnWayland())
        EXPECT_TRUE(area.GetSize().x >= Frame()->GetSize().x &&
                    area.GetSize().y >= Frame()->GetSize().y);
    else
        EXPECT_TRUE(area.Contains(Frame()->GetRect()));
    EXPECT_TRUE(MenuChecked(ID_TIMELINE_SHOW));
    const wxWindow* form = View()->GetForm();
    EXPECT_GE(form->GetSize().y,
              std::min(form->GetVirtualSize().y,
                       Frame()->GetClientSize().y - 6 * Frame()->GetCharHeight()));
    ChooseMenu(ID_TIMELINE_SHOW);
    // The timeline grows the frame only as far as the work area's bottom.
    Frame()->SetSize(area.x, area.y, 640, area.height - 20);
    ChooseMenu(ID_TIMELINE_SHOW);
    EXPECT_TRUE(area.Contains(Frame()->GetRect()));
    EXPECT_GE(View()->GetForm()->GetSize().y, View()->GetForm()->GetVirtualSize().y);
}

TEST_F(ShellTest, PreviewPagesIsWrittenBackOnlyWhenNotZero) {
    std::filesystem::create_directories(
        std::filesystem::path(SettingsFilePath().ToStdString()).parent_path());
    std::ofstream(SettingsFilePath().ToStdString()) << "[Settings]\nPreviewPages=2\n";
    ASSERT_TRUE(StartApp());
    CloseApp();
    EXPECT_EQ(SettingsValue("/Settings/PreviewPages"), "2");
    std::ofstream(SettingsFilePath().ToStdString(), std::ios::trunc) << "";
    ASSERT_TRUE(StartApp());
    CloseApp();
    EXPECT_EQ(SettingsValue("/Settings/PreviewPages"), "");
}

TEST_F(ShellTest, AFileArgumentOpensThatFileAsTheDocument) {
    const std::string path = TempPath("argument.wav");
    std::ofstream(path) << "x";
    ASSERT_TRUE(StartApp(path));
    EXPECT_EQ(Frame()->GetTitle(), "argument.wav - Windows Tolmar (Tolmar)");
    EXPECT_EQ(App().GetDocManager()->GetFileHistory()->GetCount(), 1u);
    EXPECT_EQ(EditText(View(), IDC_THRESHOLD_ADJUST), "75");
}

TEST_F(ShellTest, AFileArgumentThatCannotBeOpenedEndsTheStart) {
    // Reported in the application's own message box, which is up before a test can record it.
    wxString message;
    dialogs->Expect([&](wxDialog* dialog) {
        if (auto* box = dynamic_cast<CKavrinMessageDlg*>(dialog)) message = box->GetText();
        return wxID_OK;
    });
    EXPECT_FALSE(StartApp(TempPath("no/such/file.wav")));
    EXPECT_NE(message.Find("no/such/file.wav"), wxNOT_FOUND) << message;
    App().ExitInstance();
    wxTheApp->ProcessIdle();
}

TEST_F(ShellTest, NewReinitialisesTheDocumentAndReseedsTheForm) {
    ASSERT_TRUE(StartApp());
    const std::string path = TempPath("named");
    std::ofstream(path) << "";
    ChoosePath(path);
    SendCommand(ID_FILE_OPEN);
    View()->GetForm()->SetItemInt(IDC_THRESHOLD_ADJUST, 12);
    View()->GetForm()->SetItemInt(IDC_VOLUME_ADJUST, -40);
    SendCommand(ID_FILE_NEW);
    EXPECT_EQ(Frame()->GetTitle(), "Untitled - Windows Tolmar (Tolmar)");
    EXPECT_EQ(EditText(View(), IDC_THRESHOLD_ADJUST), "75");
    EXPECT_EQ(EditText(View(), IDC_VOLUME_ADJUST), "10");
    EXPECT_EQ(dialogs->Shown(), 0);  // nothing asked: the document is never modified
}

TEST_F(ShellTest, AboutBoxShowsItsTexts) {
    ASSERT_TRUE(StartApp());
    wxString title;
    wxString text;
    bool hasOk = false;
    dialogs->Expect([&](wxDialog* dialog) {
        title = dialog->GetTitle();
        if (auto* about = dynamic_cast<CAboutDlg*>(dialog)) text = about->VersionText()->GetLabel();
        hasOk = dialog->FindWindow(wxID_OK) != nullptr;
        return wxID_OK;
    });
    ChooseMenu(ID_APP_ABOUT);
    EXPECT_EQ(title, "About Kavrin");
    EXPECT_EQ(text, "Kavrin Version 1.0 (beta)");
    EXPECT_TRUE(hasOk);
    // The toolbar's About button runs the same command.
    dialogs->Expect([](wxDialog*) { return wxID_OK; });
    SendCommand(ID_APP_ABOUT);
}

TEST_F(ShellTest, ContentsWithoutAHelpBookSaysSo) {
    ASSERT_TRUE(StartApp());
    App().SetHelpBookPath(TempPath("missing/kavrin.hhp"));
    ChooseMenu(ID_HELP_CONTENTS);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, "Failed to launch help.");
    EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Exclamation);
}

TEST_F(ShellTest, ContentsOpensTheBookAtItsContext) {
    ASSERT_TRUE(StartApp());
    const std::string dir = TempPath("help");
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/kavrin.hhp")
        << "[OPTIONS]\nContents file=kavrin.hhc\nDefault topic=other.html\nTitle=T\n\n[FILES]\n"
           "index.html\nother.html\n";
    std::ofstream(dir + "/kavrin.hhc")
        << "<HTML><BODY><UL><LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" "
           "value=\"Other\"><param name=\"Local\" value=\"other.html\"></OBJECT>\n"
           "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Kavrin\">"
           "<param name=\"ID\" value=59142><param name=\"Local\" value=\"index.html\"></OBJECT>"
           "</UL></BODY></HTML>\n";
    std::ofstream(dir + "/index.html")
        << "<html><head><title>Kavrin help</title></head><body>Kavrin</body></html>\n";
    std::ofstream(dir + "/other.html") << "<html><body>Other</body></html>\n";
    App().SetHelpBookPath(dir + "/kavrin.hhp");
    ChooseMenu(ID_HELP_CONTENTS);
    EXPECT_TRUE(Messages().empty());
    ASSERT_NE(App().GetHelpController(), nullptr);
    wxHtmlHelpWindow* window = App().GetHelpController()->GetHelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->GetHtmlWindow()->GetOpenedPage().EndsWith("index.html"));
    // Shown as a page, not as its source text.
    EXPECT_EQ(window->GetHtmlWindow()->GetOpenedPageTitle(), "Kavrin help");
    Yield();
}

// Standard error of this process, kept in a file while the object lives.
class CapturedStandardError {
public:
    explicit CapturedStandardError(const std::string& path) : m_path(path) {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, 2);
        ::close(file);
    }
    ~CapturedStandardError() { Restore(); }
    std::string Text() {
        Restore();
        return ReadFile(m_path);
    }

private:
    void Restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    std::string m_path;
    int m_saved = -1;
};

TEST_F(ShellTest, ContentsWritesNoWarnings) {
    ASSERT_TRUE(StartApp());
    App().SetHelpBookPath(KAVRIN_TEST_HELP_BOOK);
    CapturedStandardError errors(TempPath("stderr.txt"));
    ChooseMenu(ID_HELP_CONTENTS);
    ASSERT_NE(App().GetHelpController(), nullptr);
    wxWindow* window = App().GetHelpController()->GetFrame();
    ASSERT_NE(window, nullptr);
    // Laid out, shown, resized and closed, as a user would.
    for (int i = 0; i < 20; ++i) Yield();
    window->SetSize(wxSize(300, 200));
    for (int i = 0; i < 10; ++i) Yield();
    window->Close(true);
    for (int i = 0; i < 10; ++i) Yield();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(errors.Text(), "");
}

TEST_F(ShellTest, ContentsOpensAtTheTimelinesPageWhileItHasTheKeyboard) {
    ASSERT_TRUE(StartApp());
    App().SetHelpBookPath(KAVRIN_TEST_HELP_BOOK);
    ChooseMenu(ID_TIMELINE_SHOW);
    View()->Timeline()->Pane()->SetFocus();
    for (int i = 0; i < 10 && wxWindow::FindFocus() != View()->Timeline()->Pane(); ++i) Yield();
    if (wxWindow::FindFocus() != View()->Timeline()->Pane()) GTEST_SKIP() << "no keyboard focus";
    ChooseMenu(ID_HELP_CONTENTS);
    ASSERT_NE(App().GetHelpController(), nullptr);
    auto* help = App().GetHelpController()->GetHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->GetHtmlWindow()->GetOpenedAnchor(), "review");
    App().GetHelpController()->GetFrame()->Close(true);
    for (int i = 0; i < 10; ++i) Yield();
}

TEST(HelpBook, HasAPageInItsContentsForEveryPartOfTheWindow) {
    const std::filesystem::path book = std::filesystem::path(KAVRIN_TEST_HELP_BOOK).parent_path();
    const auto read = [&](const char* name) {
        std::ifstream in(book / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string contents = read("kavrin.hhc");
    const std::string pages = read("index.html");
    for (const char* page : {"display", "input", "decoding", "recording", "devices", "threshold",
                             "review", "segments", "numbers", "vamp", "analyze", "measure"}) {
        EXPECT_NE(contents.find(std::string("index.html#") + page), std::string::npos) << page;
        EXPECT_NE(pages.find(std::string("<a name=\"") + page + "\">"), std::string::npos) << page;
    }
}

TEST_F(ShellTest, ClosingWithNothingStartedExitsPromptlyWithoutDeviceCalls) {
    ASSERT_TRUE(StartApp());
    card->ClearCalls();
    const auto elapsed = CloseApp();
    EXPECT_LT(elapsed.count(), 2000);
    EXPECT_TRUE(card->Calls().empty());
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace gui_test
