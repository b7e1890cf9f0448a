// The form of template 130: the picture controls with their labels and the frequency scale, the
// "Threshold adjust" and "Volume adjust" edits with their spin buttons, and the three threshold
// radio buttons in the "Threshold" group box. Laid out in dialog units of its own 8-point font;
// scrolls when the frame is smaller than the template.
#pragma once

#include <wx/panel.h>
#include <wx/scrolwin.h>

#include <cstdint>
#include <string>

#include "ui/dialog_units.h"

class wxRadioButton;
class wxTextCtrl;

namespace kavrin {

class CPictureControl;
class CUpDownControl;

// The exact text of the scale under the markers (control 1006), 132 characters.
extern const char* const kScaleText;

class CTolmarForm : public wxScrolled<wxPanel> {
public:
    explicit CTolmarForm(wxWindow* parent);

    // The control's text read as a signed integer (0 when it does not read as one).
    std::int32_t GetItemInt(int id) const;
    // Writes the value as a signed decimal into the control.
    void SetItemInt(int id, std::int32_t value);

    wxTextCtrl* Edit(int id) const;
    CUpDownControl* Spin(int id) const;
    CPictureControl* Picture(int id) const;
    wxRadioButton* Radio(int id) const;
    const DialogUnits& Units() const { return m_units; }

private:
    // An edit and its up-down control: the up-down control sits against the edit's right edge
    // (the edit gives up that width), starts from the number in the edit and writes its
    // position back into it.
    void CreateEditWithSpin(int editId, int spinId, const wxRect& editUnits, long editStyle,
                            const wxValidator& validator);

    DialogUnits m_units;
};

}  // namespace kavrin
