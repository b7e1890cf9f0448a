#include "ui/tolmar_form.h"

#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include <algorithm>

#include "ui/dialog_text.h"
#include "ui/form_ids.h"
#include "ui/picture_control.h"
#include "ui/up_down_control.h"

namespace kavrin {
namespace {

// Template 130's size in dialog units.
constexpr int kFormWidth = 428;
constexpr int kFormHeight = 325;
// The up-down controls' own width in dialog units.
constexpr int kSpinWidth = 11;
// The platform's default range of an up-down control.
constexpr int kSpinMin = 0;
constexpr int kSpinMax = 100;

DialogUnits MeasureUnits(wxWindow* window) {
    window->SetFont(DialogFont(*window));
    return DialogUnits::ForWindow(*window);
}

}  // namespace

const char* const kScaleText =
    " 8.0             8.5            9.0             9.5            10.0            10.5           "
    " 11.0            11.5            12.0 ";

CTolmarForm::CTolmarForm(wxWindow* parent)
    : wxScrolled<wxPanel>(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                          wxTAB_TRAVERSAL | wxHSCROLL | wxVSCROLL),
      m_units(MeasureUnits(this)) {
    const DialogUnits& u = m_units;
    // Labels take the width of their text: the toolkit's faces run a little wider than the
    // template's boxes, and a clipped caption helps nobody.
    const auto label = [&](const char* text, int x, int y, int, int h) {
        new wxStaticText(this, wxID_ANY, text, u.Point(x, y), wxSize(-1, u.Y(h)), wxALIGN_LEFT);
    };

    new CPictureControl(this, IDC_INST_MARKER, u.Point(23, 32), u.Size(315, 8));
    new CPictureControl(this, IDC_AVG_MARKER, u.Point(23, 63), u.Size(315, 8));
    CreateEditWithSpin(IDC_THRESHOLD_ADJUST, IDC_THRESHOLD_SPIN, wxRect(361, 69, 29, 13), 0,
                       wxTextValidator(wxFILTER_DIGITS));
    new CPictureControl(this, IDC_SPECTRUM, u.Point(23, 101), u.Size(321, 77));
    new CPictureControl(this, IDC_LAMP, u.Point(352, 129), u.Size(47, 49));
    new wxStaticText(this, IDC_SCALE, kScaleText, u.Point(24, 76), u.Size(314, 13),
                     wxALIGN_LEFT | wxST_NO_AUTORESIZE);
    label("Instantaneous average Freq.", 23, 17, 121, 8);
    label("Average Freq.", 23, 52, 93, 8);
    label("Component magnitude", 23, 91, 79, 8);
    label("Threshold adjust", 354, 53, 53, 8);
    CreateEditWithSpin(IDC_VOLUME_ADJUST, IDC_VOLUME_SPIN, wxRect(355, 110, 33, 14), 0,
                       wxDefaultValidator);
    label("Volume adjust", 355, 101, 45, 8);
    new wxRadioButton(this, IDC_FIXED_RANGE, "Fixed range", u.Point(356, 18), wxDefaultSize,
                      wxRB_GROUP);
    new wxRadioButton(this, IDC_FIXED_FREQ, "Fixed freq.", u.Point(356, 28), wxDefaultSize);
    new wxRadioButton(this, IDC_AVG_RELATIVE, "Avg. Relative", u.Point(356, 38), wxDefaultSize);
    new wxStaticBox(this, wxID_ANY, "Threshold", u.Point(346, 7), u.Size(66, 88));

    // A radio group always has one button checked; the form opens in "Fixed freq." mode.
    Radio(IDC_FIXED_FREQ)->SetValue(true);

    SetVirtualSize(u.Size(kFormWidth, kFormHeight));
    SetScrollRate(u.X(1), u.Y(1));
}

void CTolmarForm::CreateEditWithSpin(int editId, int spinId, const wxRect& editUnits,
                                     long editStyle, const wxValidator& validator) {
    const DialogUnits& u = m_units;
    const wxRect edit = u.Rect(editUnits.x, editUnits.y, editUnits.width, editUnits.height);
    // The up-down control stands against the edit's right edge. The edit keeps its whole width:
    // the toolkit's entries have wide inner margins, and a narrower one would cut "100".
    auto* text = new wxTextCtrl(this, editId, wxEmptyString, edit.GetPosition(), edit.GetSize(),
                                editStyle | wxBORDER_SUNKEN, validator);
    auto* spin = new CUpDownControl(this, spinId, text, wxPoint(edit.GetRight() + 1, edit.y),
                                    wxSize(u.X(kSpinWidth), edit.height));
    spin->SetRange(kSpinMin, kSpinMax);
}

std::int32_t CTolmarForm::GetItemInt(int id) const {
    const wxWindow* window = FindWindow(id);
    if (!window) return 0;
    const auto* edit = dynamic_cast<const wxTextCtrl*>(window);
    const wxString text = edit ? edit->GetValue() : window->GetLabel();
    return ReadDialogInt(text.ToStdString(wxConvUTF8));
}

void CTolmarForm::SetItemInt(int id, std::int32_t value) {
    wxTextCtrl* edit = Edit(id);
    if (!edit) return;
    edit->ChangeValue(wxString::Format("%d", static_cast<int>(value)));
}

wxTextCtrl* CTolmarForm::Edit(int id) const {
    return dynamic_cast<wxTextCtrl*>(FindWindow(id));
}

CUpDownControl* CTolmarForm::Spin(int id) const {
    return dynamic_cast<CUpDownControl*>(FindWindow(id));
}

CPictureControl* CTolmarForm::Picture(int id) const {
    return dynamic_cast<CPictureControl*>(FindWindow(id));
}

wxRadioButton* CTolmarForm::Radio(int id) const {
    return dynamic_cast<wxRadioButton*>(FindWindow(id));
}

}  // namespace kavrin
