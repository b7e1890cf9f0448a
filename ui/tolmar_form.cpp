#include "ui/tolmar_form.h"

#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include <algorithm>

#include "ui/dialog_text.h"
#include "ui/form_fit.h"
#include "ui/form_ids.h"
#include "ui/picture_control.h"
#include "ui/scale_control.h"
#include "ui/up_down_control.h"

namespace kavrin {
namespace {

// The up-down controls' own width in dialog units.
constexpr int kSpinWidth = 11;
// The platform's default range of an up-down control.
constexpr int kSpinMin = 0;
constexpr int kSpinMax = 100;

DialogUnits MeasureUnits(wxWindow* window) {
    window->SetFont(DialogFont(*window));
    return DialogUnits::ForWindow(*window);
}

// The template's radio buttons have no tab stop: they are chosen with the mouse (or their
// group's arrow keys), never reached by Tab.
class FormRadioButton : public wxRadioButton {
public:
    FormRadioButton(wxWindow* parent, int id, const char* text, const wxPoint& position,
                    long style = 0)
        : wxRadioButton(parent, id, text, position, wxDefaultSize, style) {}
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

}  // namespace

const char* const kScaleText =
    " 8.0             8.5            9.0             9.5            10.0            10.5           "
    " 11.0            11.5            12.0 ";

CTolmarForm::CTolmarForm(wxWindow* parent)
    : wxScrolled<wxPanel>(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                          wxTAB_TRAVERSAL | wxHSCROLL | wxVSCROLL),
      m_units(MeasureUnits(this)) {
    const DialogUnits& u = m_units;
    // Labels take the size of their text in the real font: the toolkit's faces run a little
    // wider than the template's boxes, and a clipped caption helps nobody.
    const auto label = [&](const char* text, int x, int y, int, int) {
        auto* label =
            new wxStaticText(this, wxID_ANY, text, u.Point(x, y), wxDefaultSize, wxALIGN_LEFT);
        FitToText(label);
        return label;
    };

    auto* instMarker = new CPictureControl(this, IDC_INST_MARKER, u.Point(23, 32), u.Size(315, 8));
    new CPictureControl(this, IDC_AVG_MARKER, u.Point(23, 63), u.Size(315, 8));
    CreateEditWithSpin(IDC_THRESHOLD_ADJUST, IDC_THRESHOLD_SPIN, wxRect(361, 69, 29, 13), 0,
                       wxTextValidator(wxFILTER_DIGITS));
    new CPictureControl(this, IDC_SPECTRUM, u.Point(23, 101), u.Size(321, 77));
    new CPictureControl(this, IDC_LAMP, u.Point(352, 129), u.Size(47, 49));
    auto* scale = new CScaleControl(this, IDC_SCALE, kScaleText, instMarker, u.Y(76), u.Y(13));
    label("Instantaneous average Freq.", 23, 17, 121, 8);
    label("Average Freq.", 23, 52, 93, 8);
    label("Component magnitude", 23, 91, 79, 8);
    wxWindow* thresholdLabel = label("Threshold adjust", 354, 53, 53, 8);
    CreateEditWithSpin(IDC_VOLUME_ADJUST, IDC_VOLUME_SPIN, wxRect(355, 110, 33, 14), 0,
                       wxDefaultValidator);
    label("Volume adjust", 355, 101, 45, 8);
    wxWindow* radios[] = {
        new FormRadioButton(this, IDC_FIXED_RANGE, "Fixed range", u.Point(356, 18), wxRB_GROUP),
        new FormRadioButton(this, IDC_FIXED_FREQ, "Fixed freq.", u.Point(356, 28)),
        new FormRadioButton(this, IDC_AVG_RELATIVE, "Avg. Relative", u.Point(356, 38))};
    auto* group = new wxStaticBox(this, wxID_ANY, "Threshold", u.Point(346, 7), u.Size(66, 88));

    // A radio group always has one button checked; the form opens in "Fixed freq." mode.
    Radio(IDC_FIXED_FREQ)->SetValue(true);

    // Where the real font needs more room than the template gives, the controls move apart and
    // the group box grows around them.
    for (wxWindow* radio : radios) FitToText(radio);
    SeparateStacked(radios, u.Y(1));
    SeparateStacked({radios[2], thresholdLabel}, u.Y(2));
    SeparateStacked({thresholdLabel, Edit(IDC_THRESHOLD_ADJUST)}, u.Y(1));
    MoveBeside(Spin(IDC_THRESHOLD_SPIN), Edit(IDC_THRESHOLD_ADJUST));
    const std::initializer_list<wxWindow*> grouped = {radios[0],
                                                      radios[1],
                                                      radios[2],
                                                      thresholdLabel,
                                                      Edit(IDC_THRESHOLD_ADJUST),
                                                      Spin(IDC_THRESHOLD_SPIN)};
    EncloseChildren(group, grouped, u.X(3), u.Y(4));
    // The scale's outer numbers reach half a number beyond the markers: the group keeps clear.
    const int overlap = scale->GetRect().GetRight() + u.X(1) + 1 - group->GetPosition().x;
    if (overlap > 0) {
        group->Move(group->GetPosition() + wxPoint(overlap, 0));
        for (wxWindow* window : grouped) window->Move(window->GetPosition() + wxPoint(overlap, 0));
    }

    // The room the controls take, so that the form scrolls only where the frame cannot hold them.
    SetVirtualSize(ContentSize(*this, u.X(2), u.Y(2)));
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
