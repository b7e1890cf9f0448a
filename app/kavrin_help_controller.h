// The help book's window: the toolkit's HTML help with its toolbar, the contents beside the page,
// and printing. The book is one page, so the index and search tabs are left out: GTK lays out
// their hidden pages at a few pixels when the window first shows and complains about their
// scroll bars and check boxes on standard error.
#pragma once

#include <wx/html/helpctrl.h>

namespace kavrin {

class CKavrinHelpController : public wxHtmlHelpController {
public:
    explicit CKavrinHelpController(wxWindow* parent);

protected:
    // The frame with a smallest size at which its panes still fit their controls.
    wxHtmlHelpFrame* CreateHelpFrame(wxHtmlHelpData* data) override;
};

}  // namespace kavrin
