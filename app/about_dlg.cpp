#include "app/about_dlg.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "app/app_resources.h"
#include "ui/dialog_units.h"

namespace kavrin {
namespace {

DialogUnits MeasureUnits(wxWindow* window) {
    window->SetFont(DialogFont(*window));
    return DialogUnits::ForWindow(*window);
}

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "About Kavrin", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    const DialogUnits u = MeasureUnits(this);
    new wxStaticBitmap(this, wxID_ANY, ApplicationIcon32(), u.Point(11, 17), u.Size(20, 20));
    m_versionText = new wxStaticText(this, wxID_ANY, "Kavrin Version 1.0 (beta)", u.Point(40, 10),
                                     u.Size(119, 8), wxALIGN_LEFT | wxST_NO_AUTORESIZE);
    auto* ok = new wxButton(this, wxID_OK, "OK", u.Point(178, 7), u.Size(32, 14));
    ok->SetDefault();
    SetClientSize(u.Size(217, 55));
    CentreOnParent();
}

}  // namespace kavrin
