// The help book's window: the toolkit's HTML help with contents, index and search, its
// navigation pages laid out at their real size before the window is first shown (a page the
// toolkit first meets at its default size of a few pixels makes GTK complain about scroll bars
// with less room than they need).
#pragma once

#include <wx/html/helpctrl.h>

namespace kavrin {

class CKavrinHelpController : public wxHtmlHelpController {
public:
    explicit CKavrinHelpController(wxWindow* parent);

protected:
    wxHtmlHelpFrame* CreateHelpFrame(wxHtmlHelpData* data) override;
};

}  // namespace kavrin
