#include "app/kavrin_help_controller.h"

#include <wx/html/helpfrm.h>
#include <wx/notebook.h>

namespace kavrin {
namespace {

// Every notebook under `window` gives each of its pages its own client size, and the pages lay
// out their controls in it.
void SizeNotebookPages(wxWindow* window) {
    if (auto* notebook = dynamic_cast<wxNotebook*>(window)) {
        const wxSize page = notebook->GetClientSize();
        for (size_t i = 0; i < notebook->GetPageCount(); ++i) {
            notebook->GetPage(i)->SetSize(page);
            notebook->GetPage(i)->Layout();
        }
    }
    for (wxWindow* child : window->GetChildren()) SizeNotebookPages(child);
}

}  // namespace

CKavrinHelpController::CKavrinHelpController(wxWindow* parent)
    : wxHtmlHelpController(wxHF_DEFAULT_STYLE, parent) {}

wxHtmlHelpFrame* CKavrinHelpController::CreateHelpFrame(wxHtmlHelpData* data) {
    wxHtmlHelpFrame* frame = wxHtmlHelpController::CreateHelpFrame(data);
    if (frame) {
        frame->Layout();
        SizeNotebookPages(frame);
    }
    return frame;
}

}  // namespace kavrin
