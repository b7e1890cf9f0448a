#include "app/kavrin_app.h"

#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/html/helpctrl.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "app/about_dlg.h"
#include "app/file_names.h"
#include "app/gui_seams.h"
#include "app/kavrin_doc.h"
#include "app/kavrin_doc_manager.h"
#include "app/kavrin_help_controller.h"
#include "app/main_frame.h"
#include "app/settings.h"
#include "platform/audio_files/audio_decoder.h"
#include "platform/devices/sound_device_choice.h"
#include "platform/portaudio/portaudio_driver.h"
#include "platform/services/file.h"
#include "platform/services/message_box.h"
#include "sources/global_analyzers.h"
#include "ui/command_map.h"
#include "ui/frame_placement.h"
#include "ui/string_table.h"
#include "ui/timeline/timeline.h"
#include "ui/timeline/timeline_pane.h"
#include "ui/timeline/timeline_review.h"
#include "ui/tolmar_disp.h"

#ifndef KAVRIN_HELP_DIR
#define KAVRIN_HELP_DIR ""
#endif

namespace kavrin {
namespace {

const CommandMapEntry<CKavrinApp> kCommandMap[] = {
    {ID_APP_ABOUT, &CKavrinApp::OnAppAbout},
    {ID_HELP_CONTENTS, &CKavrinApp::OnHelpContents},
    {ID_FILE_NEW, &CKavrinApp::OnFileNew},
    {ID_FILE_OPEN, &CKavrinApp::OnFileOpen},
};

constexpr const char* kHelpBookName = "kavrin.hhp";

}  // namespace

CKavrinApp::CKavrinApp() {
    BindCommandMap(*this, this, kCommandMap);
}

CKavrinApp::~CKavrinApp() = default;

void CKavrinApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    parser.AddOption(wxEmptyString, "review", "review a recording: analyse all of it at once",
                     wxCMD_LINE_VAL_STRING);
    parser.AddParam("file", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
}

bool CKavrinApp::OnCmdLineParsed(wxCmdLineParser& parser) {
    if (!wxApp::OnCmdLineParsed(parser)) return false;
    wxString review;
    if (parser.Found("review", &review)) {
        m_commandLineFile = review;
        m_reviewRequested = true;
    } else if (parser.GetParamCount() > 0) {
        m_commandLineFile = parser.GetParam(0);
    }
    return true;
}

bool CKavrinApp::OnInit() {
    if (!wxApp::OnInit()) return false;
    // The library's default driver has no devices; the window plays and records for real.
    platform::SetWaveAudioDriver(platform::MakePortAudioDriver());
    if (InitInstance(m_commandLineFile)) return true;
    // A start that fails still ends the way every run ends.
    ExitInstance();
    return false;
}

int CKavrinApp::OnExit() {
    ExitInstance();
    return wxApp::OnExit();
}

bool CKavrinApp::InitInstance(const wxString& path) {
    // Dialogs host no foreign controls and the toolkit's controls have their look already: the
    // first two steps of a classic start-up have nothing to do here.
    SetVendorName(kVendorName);
    SetAppName(kAppName);
    SetAppDisplayName(LoadString(AFX_IDS_APP_TITLE));
    InstallGuiSeams();

    // The settings are this program's own file; nothing makes the toolkit's default one.
    wxConfigBase::DontCreateOnDemand();
    m_settings = OpenSettings();
    m_docManager = new CKavrinDocManager;
    LoadRecentFiles(*m_settings, *m_docManager->GetFileHistory());
    m_previewPages = LoadPreviewPages(*m_settings);
    g_fileAnalyzer.m_decodeAudio = LoadDecodeAudioFiles(*m_settings);
    // The timeline's rows carry how good each block's signal was, so that pauses and silence
    // are told apart from readings.
    try {
        g_liveAnalyzer.EnableSignalQuality();
        g_fileAnalyzer.EnableSignalQuality();
    } catch (const std::runtime_error& error) {
        // The readings do not need it: the window works on without the signal's quality.
        std::fprintf(stderr, "kavrin: %s; no signal quality is measured\n", error.what());
    }
    for (const auto direction : {platform::SoundDirection::In, platform::SoundDirection::Out})
        platform::SetChosenSoundDevice(direction, LoadSoundDevice(*m_settings, direction));

    new wxDocTemplate(m_docManager, LoadString(IDR_MAINFRAME), "*", wxEmptyString, wxEmptyString,
                      "CKavrinDoc", "CTolmarDisp", CLASSINFO(CKavrinDoc), CLASSINFO(CTolmarDisp));

    m_mainFrame = new CMainFrame;
    const bool frameMade = m_mainFrame->Create(m_docManager);
    if (frameMade) SetTopWindow(m_mainFrame);
    // A recording (what a double click in a file manager hands over) is reviewed, never opened as
    // the empty document that Save would write over it.
    std::string review;
    wxString document = path;
    if (!path.empty() && (m_reviewRequested || platform::IsDecodableAudio(FileNameBytes(path)))) {
        review = FileNameBytes(path);
        document.clear();
    }
    if (!frameMade || !m_docManager->CreateFirstDocument(document)) {
        if (!frameMade) platform::ShowMessage(LoadString(AFX_IDP_FAILED_TO_CREATE_DOC));
        m_mainFrame->Destroy();
        m_mainFrame = nullptr;
        return false;
    }
    if (CTolmarDisp* view = GetView(); view && view->Timeline())
        view->Timeline()->SetMinVoicedShare(LoadMinVoicedShare(*m_settings));
    PlaceFrameAsLeft();
    m_mainFrame->Show(true);
    m_mainFrame->Update();
    if (!review.empty()) {
        CallAfter([this, review] {
            if (CTolmarDisp* view = GetView(); view && view->Timeline())
                view->Timeline()->Review().Start(review);
        });
    }
    return true;
}

void CKavrinApp::PlaceFrameAsLeft() {
    m_frameRemembered = false;
    const FrameSettings frame = LoadFrameSettings(*m_settings);
    CTimeline* timeline = GetView() ? GetView()->Timeline() : nullptr;
    // The pane first: showing it grows the frame, which the remembered size then replaces.
    if (frame.timelineShown && timeline) timeline->ShowTimeline(true);
    if (frame.rect) m_mainFrame->SetSize(FitIntoArea(*frame.rect, WorkAreaAt(*frame.rect)));
    if (frame.maximized) m_mainFrame->Maximize(true);
    m_frameSettings = frame;
    // Remembered as the frame closes (the view and its timeline are gone by the exit).
    m_mainFrame->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        RememberFrame();
        event.Skip();
    });
}

void CKavrinApp::RememberFrame() {
    if (!m_mainFrame) return;
    m_frameSettings.maximized = m_mainFrame->IsMaximized();
    if (!m_mainFrame->IsMaximized() && !m_mainFrame->IsIconized() && !m_mainFrame->IsFullScreen())
        m_frameSettings.rect = m_mainFrame->GetRect();
    if (CTolmarDisp* view = GetView(); view && view->Timeline())
        m_frameSettings.timelineShown = view->Timeline()->IsShown();
    m_frameRemembered = true;
}

void CKavrinApp::ExitInstance() {
    if (m_help) {
        m_help->Quit();
        m_help.reset();
    }
    if (m_docManager) {
        if (m_settings) {
            SaveRecentFiles(*m_settings, *m_docManager->GetFileHistory());
            SavePreviewPages(*m_settings, m_previewPages);
            SaveDecodeAudioFiles(*m_settings, g_fileAnalyzer.m_decodeAudio);
            if (m_frameRemembered) SaveFrameSettings(*m_settings, m_frameSettings);
            if (CTolmarDisp* view = GetView(); view && view->Timeline())
                SaveMinVoicedShare(*m_settings, view->Timeline()->MinVoicedShare());
            for (const auto direction :
                 {platform::SoundDirection::In, platform::SoundDirection::Out})
                SaveSoundDevice(*m_settings, direction, platform::ChosenSoundDevice(direction));
        }
        // The next start chooses afresh from its own settings.
        for (const auto direction : {platform::SoundDirection::In, platform::SoundDirection::Out})
            platform::SetChosenSoundDevice(direction, {});
        delete m_docManager;
        m_docManager = nullptr;
    }
    CloseSettings(std::move(m_settings));
    m_mainFrame = nullptr;
    RemoveGuiSeams();
}

bool CKavrinApp::OnExceptionInMainLoop() {
    try {
        throw;
    } catch (const platform::CFileException& error) {
        platform::ShowMessage(error.what(), platform::MessageIcon::Stop);
    } catch (const std::exception& error) {
        platform::ShowMessage(error.what(), platform::MessageIcon::Stop);
    }
    return true;
}

CTolmarDisp* CKavrinApp::GetView() const {
    return m_docManager ? m_docManager->GetView() : nullptr;
}

void CKavrinApp::OnAppAbout() {
    CAboutDlg about(nullptr);
    about.ShowModal();
}

wxString CKavrinApp::HelpBookPath() const {
    if (!m_helpBookPath.empty()) return m_helpBookPath;
    const wxFileName program(wxStandardPaths::Get().GetExecutablePath());
    wxFileName beside(program);
    beside.SetExt("hhp");
    if (beside.FileExists()) return beside.GetFullPath();
    // Installed: <prefix>/bin/kavrin and <prefix>/share/kavrin/help/kavrin.hhp.
    wxFileName installed(program.GetPath() + "/" + KAVRIN_HELP_DIR, kHelpBookName);
    installed.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return installed.GetFullPath();
}

wxString CKavrinApp::HelpPageInUse() const {
    // The timeline pane, when it has the keyboard, has its page; the form has the book's start.
    CTolmarDisp* view = GetView();
    CTimeline* timeline = view ? view->Timeline() : nullptr;
    if (!timeline || !timeline->IsShown()) return {};
    for (const wxWindow* window = wxWindow::FindFocus(); window; window = window->GetParent())
        if (window == static_cast<const wxWindow*>(timeline->Pane())) return "index.html#review";
    return {};
}

void CKavrinApp::OnHelpContents() {
    const wxString book = HelpBookPath();
    bool shown = false;
    if (wxFileName::FileExists(book)) {
        wxLogNull quiet;
        if (!m_help) {
            m_help = std::make_unique<CKavrinHelpController>(m_mainFrame);
            if (!m_help->AddBook(wxFileName(book))) m_help.reset();
        }
        const wxString page = HelpPageInUse();
        shown = m_help && (page.empty() ? m_help->Display(kHelpContext) : m_help->Display(page));
    }
    if (!shown) platform::ShowMessage(LoadString(AFX_IDP_FAILED_TO_LAUNCH_HELP));
}

void CKavrinApp::OnFileNew() {
    if (m_docManager) m_docManager->NewDocument();
}

wxString CKavrinApp::AskDocumentPath(const wxString& title, const wxString& defaultName,
                                     bool save) {
    if (m_pathPrompt) return m_pathPrompt(title, defaultName, save);
    // "*" rather than "*.*": names without a dot are files too.
    const long style = save ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
    wxFileDialog dialog(m_mainFrame, title, wxEmptyString, defaultName,
                        LoadString(AFX_IDS_ALLFILTER) + "|*", style);
    if (dialog.ShowModal() != wxID_OK) return wxEmptyString;
    return dialog.GetPath();
}

void CKavrinApp::OnFileOpen() {
    if (!m_docManager) return;
    const wxString path = AskDocumentPath(LoadString(AFX_IDS_OPENFILE), wxEmptyString, false);
    if (!path.empty()) m_docManager->OpenDocumentFile(path);
}

}  // namespace kavrin
