#include "app/kavrin_help_controller.h"

#include <wx/html/helpfrm.h>

namespace kavrin {
namespace {

constexpr int kHelpStyle = wxHF_TOOLBAR | wxHF_FLAT_TOOLBAR | wxHF_CONTENTS | wxHF_PRINT;

}  // namespace

CKavrinHelpController::CKavrinHelpController(wxWindow* parent)
    : wxHtmlHelpController(kHelpStyle, parent) {}

wxHtmlHelpFrame* CKavrinHelpController::CreateHelpFrame(wxHtmlHelpData* data) {
    wxHtmlHelpFrame* frame = wxHtmlHelpController::CreateHelpFrame(data);
    if (frame) frame->SetMinSize(frame->FromDIP(wxSize(480, 320)));
    return frame;
}

}  // namespace kavrin
