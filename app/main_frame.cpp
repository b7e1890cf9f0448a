#include "app/main_frame.h"

#include <dlfcn.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/app_resources.h"
#include "app/recording_pane.h"
#include "app/sound_devices.h"
#include "sources/global_analyzers.h"
#include "ui/command_map.h"
#include "ui/live_recording.h"
#include "ui/status_bar.h"
#include "ui/status_panes.h"
#include "ui/string_table.h"
#include "ui/tolmar_disp.h"

namespace kavrin {
namespace {

const CommandMapEntry<CMainFrame> kCommandMap[] = {
    {ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolBar},
    {ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar},
    {ID_INPUT_FILE, &CMainFrame::OnInputFile},
    {ID_INPUT_SOUND_DEVICES, &CMainFrame::OnSoundDevices},
};

struct Indicator {
    int stringId;
    wxKeyCode key;
};
const Indicator kIndicators[] = {
    {ID_INDICATOR_CAPS, WXK_CAPITAL},
    {ID_INDICATOR_NUM, WXK_NUMLOCK},
    {ID_INDICATOR_SCRL, WXK_SCROLL},
};

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CMainFrame, wxDocParentFrame);

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create(wxDocManager* manager) {
    if (!wxDocParentFrame::Create(manager, nullptr, wxID_ANY, "Free Version", wxDefaultPosition,
                                  wxSize(640, 450)))
        return false;
    return OnCreate();
}

wxStatusBar* CMainFrame::OnCreateStatusBar(int number, long style, wxWindowID id, const wxString&) {
    auto* statusBar = new CStatusBar(this, id, style);
    statusBar->SetFieldsCount(number);
    return statusBar;
}

bool CMainFrame::OnCreate() {
    SetIcons(ApplicationIcons());
    SetMenuBar(CreateMainMenu());
    SetAcceleratorTable(CreateAccelerators());

    wxToolBar* toolBar =
        CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER, ToolkitId(ID_VIEW_TOOLBAR));
    if (!toolBar || !LoadMainToolBar(toolBar)) return false;

    wxStatusBar* statusBar =
        CreateStatusBar(kPaneCount, kStatusBarStyle, ToolkitId(ID_VIEW_STATUS_BAR));
    if (!statusBar) return false;
    int styles[kPaneCount] = {wxSB_FLAT};
    auto* fitted = dynamic_cast<CStatusBar*>(statusBar);
    if (!fitted) return false;
    // The message and source panes ask for their texts' widths, the source takes what is left
    // over; the readings ask for the widest reading, and give their room away while there is
    // none to show. Short of room, the longest give way first.
    fitted->SetPaneRule(0, {0, kLeastTextPane, 0});
    fitted->SetPaneRule(kSourcePane, {0, kLeastTextPane, 1});
    styles[kSourcePane] = wxSB_SUNKEN;
    fitted->SetPaneRule(kReadingPane,
                        {statusBar->GetTextExtent(kWidestReading).x + 12,
                         statusBar->GetTextExtent(kNarrowestReading).x + 12, 0, true});
    styles[kReadingPane] = wxSB_SUNKEN;
    for (int i = 0; i < kIndicatorCount; ++i) {
        const int width = statusBar->GetTextExtent(LoadString(kIndicators[i].stringId)).x + 16;
        fitted->SetPaneRule(kFirstIndicator + i, {width, width});
        styles[kFirstIndicator + i] = wxSB_SUNKEN;
    }
    statusBar->SetStatusStyles(kPaneCount, styles);
    SetStatusText(LoadString(AFX_IDS_IDLEMESSAGE), 0);
    UpdateIndicators();

    BindCommandMap(*this, this, kCommandMap);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateCommandUI, this, FirstToolkitCommandId(),
         LastToolkitCommandId());
    Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
        UpdateIndicators();
        event.Skip();
    });
    AddRecordingPane(this);
    m_soundDeviceNotes = std::make_unique<CSoundDeviceNotes>(this);
    return true;
}

void CMainFrame::OnUpdateCommandUI(wxUpdateUIEvent& event) {
    const int id = event.GetId();
    event.Enable(IsCommandHandled(*GetEventHandler(), id));
    if (id == ToolkitId(ID_VIEW_TOOLBAR))
        event.Check(GetToolBar() && GetToolBar()->IsShown());
    else if (id == ToolkitId(ID_VIEW_STATUS_BAR))
        event.Check(GetStatusBar() && GetStatusBar()->IsShown());
    else if (id == ToolkitId(ID_INPUT_DECODE))
        event.Check(g_fileAnalyzer.m_decodeAudio);
    else if (id == ToolkitId(ID_LINE_RECORD))
        event.Check(CLiveRecording::Get().IsArmed());
    else if (id == ToolkitId(ID_INPUT_STOP_FILE))
        event.Enable(CTolmarDisp::FileRunning());
}

void CMainFrame::OnViewToolBar() {
    ShowBar(GetToolBar(), !GetToolBar()->IsShown());
}

void CMainFrame::OnViewStatusBar() {
    ShowBar(GetStatusBar(), !GetStatusBar()->IsShown());
}

void CMainFrame::OnSoundDevices() {
    if (ChooseSoundDevices(this) && m_soundDeviceNotes) m_soundDeviceNotes->ClearNote();
}

void CMainFrame::ShowBar(wxWindow* bar, bool show) {
    if (!bar) return;
    bar->Show(show);
    SendSizeEvent();
}

namespace {

// Whether the display has a seat whose keys can be asked for. A Wayland compositor without one
// (a headless session) has the toolkit's key-state query complain on standard error at every
// call. The toolkit's own library is asked at run time: it is loaded with the window, and its
// headers are not needed for two calls.
bool HasSeat() {
#ifdef __WXGTK__
    using GetDisplay = void* (*)();
    using GetSeat = void* (*)(void*);
    static const auto display =
        reinterpret_cast<GetDisplay>(::dlsym(RTLD_DEFAULT, "gdk_display_get_default"));
    static const auto seat =
        reinterpret_cast<GetSeat>(::dlsym(RTLD_DEFAULT, "gdk_display_get_default_seat"));
    if (display == nullptr || seat == nullptr) return true;
    void* current = display();
    return current != nullptr && seat(current) != nullptr;
#else
    return true;
#endif
}

}  // namespace

void CMainFrame::UpdateIndicators() {
    wxStatusBar* statusBar = GetStatusBar();
    if (!statusBar || !HasSeat()) return;
    for (int i = 0; i < kIndicatorCount; ++i) {
        const wxString text =
            wxGetKeyState(kIndicators[i].key) ? wxString(LoadString(kIndicators[i].stringId)) : "";
        if (statusBar->GetStatusText(kFirstIndicator + i) != text)
            statusBar->SetStatusText(text, kFirstIndicator + i);
    }
}

}  // namespace kavrin
