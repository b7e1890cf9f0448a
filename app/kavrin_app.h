// CKavrinApp: the application object. Start-up builds the single-document template (document
// CKavrinDoc, frame CMainFrame, view CTolmarDisp), the frame and the first document; exit saves
// the recent-file list and the settings. About and Help > Contents are its commands, New and Open
// its framework commands.
//
// The two analyzers are static objects of the library: they are constructed before the toolkit
// creates this object and destroyed after it is gone.
#pragma once

#include <wx/app.h>
#include <wx/string.h>

#include <functional>
#include <memory>

#include "app/settings.h"

class wxConfigBase;
class wxHtmlHelpController;

namespace kavrin {

class CKavrinDocManager;
class CMainFrame;
class CTolmarDisp;

class CKavrinApp : public wxApp {
public:
    CKavrinApp();
    ~CKavrinApp() override;

    bool OnInit() override;
    int OnExit() override;
    void OnInitCmdLine(wxCmdLineParser& parser) override;
    bool OnCmdLineParsed(wxCmdLineParser& parser) override;
    // The top-level handler for a command that ended in an exception: a file error (or any other
    // standard exception) is reported with the stop icon and the program goes on.
    bool OnExceptionInMainLoop() override;

    // Start-up in its fixed order; false ends the application. With a path, that file is opened
    // as the document instead of a new one; a recording that libsndfile reads (or any path after
    // --review) is reviewed in the timeline instead, beside a new document.
    bool InitInstance(const wxString& path = wxEmptyString);
    // Saves the recent-file list and the settings and lets go of the shell's objects.
    void ExitInstance();

    // Commands.
    void OnAppAbout();
    void OnHelpContents();
    void OnFileNew();
    void OnFileOpen();

    CKavrinDocManager* GetDocManager() const { return m_docManager; }
    CMainFrame* GetMainFrame() const { return m_mainFrame; }
    CTolmarDisp* GetView() const;

    // The help book: the program's own path with the extension ".hhp", else the installed book.
    // Tests point it elsewhere.
    wxString HelpBookPath() const;
    void SetHelpBookPath(const wxString& path) { m_helpBookPath = path; }
    wxHtmlHelpController* GetHelpController() const { return m_help.get(); }

    static constexpr int kHelpContext = 59142;

    // The file dialogs of Open ("Open") and Save As ("Save As"), filter "All Files (*.*)": the
    // chosen path, or nothing when cancelled. Tests answer them instead.
    using DocumentPathPrompt =
        std::function<wxString(const wxString& title, const wxString& defaultName, bool save)>;
    wxString AskDocumentPath(const wxString& title, const wxString& defaultName, bool save);
    void SetDocumentPathPrompt(DocumentPathPrompt prompt) { m_pathPrompt = std::move(prompt); }

private:
    // The frame where it was left (size, place, timeline), and the same kept as it closes.
    void PlaceFrameAsLeft();
    // The help page of the pane in use ("" for the book's start page).
    wxString HelpPageInUse() const;
    void RememberFrame();

    CKavrinDocManager* m_docManager = nullptr;
    CMainFrame* m_mainFrame = nullptr;
    std::unique_ptr<wxConfigBase> m_settings;
    std::unique_ptr<wxHtmlHelpController> m_help;
    wxString m_helpBookPath;
    wxString m_commandLineFile;
    bool m_reviewRequested = false;  // kavrin --review FILE
    int m_previewPages = 0;
    DocumentPathPrompt m_pathPrompt;
    FrameSettings m_frameSettings;
    bool m_frameRemembered = false;
};

}  // namespace kavrin

wxDECLARE_APP(kavrin::CKavrinApp);
