#include "ui/test_gen_dlg.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/services/message_box.h"
#include "ui/dialog_text.h"
#include "ui/form_fit.h"
#include "ui/form_ids.h"
#include "ui/string_table.h"

namespace kavrin {
namespace {

DialogUnits MeasureUnits(wxWindow* window) {
    window->SetFont(DialogFont(*window));
    return DialogUnits::ForWindow(*window);
}

}  // namespace

CTestGenDlg::CTestGenDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Set test generator paramaters", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_units(MeasureUnits(this)) {
    const DialogUnits& u = m_units;
    auto* ok = new wxButton(this, wxID_OK, "OK", u.Point(129, 7), u.Size(50, 14));
    new wxButton(this, wxID_CANCEL, "Cancel", u.Point(129, 24), u.Size(50, 14));
    m_frequencyEdit = new wxTextCtrl(this, IDC_FREQUENCY, wxEmptyString, u.Point(19, 20),
                                     u.Size(40, 14), wxBORDER_SUNKEN);
    // The labels take the size of their text in the real font.
    FitToText(new wxStaticText(this, wxID_ANY, "Frequency (Hz)", u.Point(19, 7)));
    m_amplitudeEdit = new wxTextCtrl(this, IDC_AMPLITUDE, wxEmptyString, u.Point(19, 58),
                                     u.Size(49, 14), wxBORDER_SUNKEN);
    FitToText(new wxStaticText(this, wxID_ANY, "Amplitude", u.Point(19, 47)));
    ok->SetDefault();
    SetClientSize(u.Size(186, 95));
    CentreOnParent();
}

bool CTestGenDlg::TransferDataToWindow() {
    m_amplitudeEdit->ChangeValue(wxString::Format("%u", m_amplitude));
    m_frequencyEdit->ChangeValue(wxString::Format("%u", m_frequency));
    return true;
}

bool CTestGenDlg::TransferDataFromWindow() {
    return ExchangeField(m_amplitudeEdit, m_amplitude, kMaxAmplitude) &&
           ExchangeField(m_frequencyEdit, m_frequency, kMaxFrequency);
}

bool CTestGenDlg::ExchangeField(wxTextCtrl* edit, std::uint32_t& value, std::uint32_t maximum) {
    const auto parsed = ParseUnsignedField(edit->GetValue().ToStdString(wxConvUTF8));
    std::string complaint;
    if (!parsed)
        complaint = LoadString(AFX_IDP_PARSE_UINT);
    else if (*parsed > maximum)
        complaint = RangeMessage(0, static_cast<long>(maximum));
    if (!complaint.empty()) {
        platform::ShowMessage(complaint);
        edit->SetFocus();
        edit->SelectAll();
        return false;
    }
    value = *parsed;
    return true;
}

}  // namespace kavrin
