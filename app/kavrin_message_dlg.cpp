#include "app/kavrin_message_dlg.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace kavrin {

CKavrinMessageDlg::CKavrinMessageDlg(wxWindow* parent, const wxString& text,
                                     platform::MessageIcon icon)
    : wxDialog(parent, wxID_ANY, platform::kMessageCaption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_text(text),
      m_icon(icon) {
    const wxArtID art = icon == platform::MessageIcon::Stop ? wxART_ERROR : wxART_WARNING;
    m_image = new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX));
    auto* label = new wxStaticText(this, wxID_ANY, wxEmptyString);
    // Plain text: an ampersand in a path is no mnemonic.
    label->SetLabelText(text);
    auto* ok = new wxButton(this, wxID_OK, "OK");

    auto* body = new wxBoxSizer(wxHORIZONTAL);
    body->Add(m_image, wxSizerFlags().Top().Border(wxRIGHT, FromDIP(12)));
    body->Add(label, wxSizerFlags(1).CentreVertical());
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(body, wxSizerFlags(1).Expand().DoubleBorder(wxLEFT | wxRIGHT | wxTOP));
    top->Add(ok, wxSizerFlags().Right().DoubleBorder());
    SetSizerAndFit(top);

    ok->SetDefault();
    ok->SetFocus();
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_OK);
    CentreOnParent();
}

}  // namespace kavrin
