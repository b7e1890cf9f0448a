// CAboutDlg: the About box (template 100): icon 128, "Kavrin Version 1.0 (beta)" and OK.
#pragma once

#include <wx/dialog.h>

class wxStaticText;

namespace kavrin {

class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent = nullptr);

    wxStaticText* VersionText() const { return m_versionText; }

private:
    wxStaticText* m_versionText = nullptr;
};

}  // namespace kavrin
