// CMainFrame: the main window, 640 x 450 pixels, with menu 128, accelerator table 128, icon 128,
// the toolbar along the top and the status bar (message pane, source and reading panes, CAP, NUM,
// SCRL) along the bottom.
// It enables every menu item and toolbar button whose command finds a handler on the route
// (view, document, frame, application) and disables the others.
#pragma once

#include <wx/docview.h>

#include <memory>

class wxUpdateUIEvent;

namespace kavrin {

class CSoundDeviceNotes;

class CMainFrame : public wxDocParentFrame {
public:
    CMainFrame();
    ~CMainFrame() override;
    // The frame created with its caption "Free Version" and its size; false when it cannot be.
    bool Create(wxDocManager* manager);
    // The bars, in the order of window creation; false when one cannot be made.
    bool OnCreate();

    // View > Toolbar and View > Status Bar.
    void OnViewToolBar();
    void OnViewStatusBar();
    // The frame's own entry for "File": nothing (the view handles the command first).
    void OnInputFile() {}
    // Input > "Sound Devices...".
    void OnSoundDevices();

    // The key-state panes: the indicator's text while its key is on, nothing while it is off.
    void UpdateIndicators();

    // The message pane, the source and reading panes, then CAP, NUM and SCRL.
    static constexpr int kIndicatorCount = 3;
    static constexpr int kFirstIndicator = 3;
    static constexpr int kPaneCount = kFirstIndicator + kIndicatorCount;

protected:
    // The status bar whose panes share the width by rule.
    wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id,
                                   const wxString& name) override;

private:
    void OnUpdateCommandUI(wxUpdateUIEvent& event);
    void ShowBar(wxWindow* bar, bool show);

    std::unique_ptr<CSoundDeviceNotes> m_soundDeviceNotes;

    wxDECLARE_DYNAMIC_CLASS(CMainFrame);
};

}  // namespace kavrin
