// An up-down control beside an edit: two small arrow buttons that step a position within a range
// (0..100 by default) and write it into the buddy edit as a decimal number. It starts from the
// number already in the edit, repeats while a button is held, and answers the arrow keys while
// the edit has the focus. (The toolkit's own spin button cannot be made this small.)
#pragma once

#include <wx/timer.h>
#include <wx/window.h>

class wxTextCtrl;

namespace kavrin {

class CUpDownControl : public wxWindow {
public:
    CUpDownControl(wxWindow* parent, int id, wxTextCtrl* buddy, const wxPoint& position,
                   const wxSize& size);

    void SetRange(int minimum, int maximum);
    int GetMin() const { return m_min; }
    int GetMax() const { return m_max; }
    // The buddy's number, brought into the range (0 while it reads as no number).
    int GetPosition() const;

    // One step up (+1) or down (-1): the buddy then shows the new position.
    void Step(int direction);
    // No tab stop: Tab moves between the edits only.
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);
    void OnMouseDown(wxMouseEvent& event);
    void OnMouseUp(wxMouseEvent& event);
    void OnRepeat(wxTimerEvent& event);
    void OnBuddyKey(wxKeyEvent& event);

    wxTextCtrl* m_buddy;
    int m_min = 0;
    int m_max = 100;
    int m_pressed = 0;  // +1 upper button held, -1 lower button held
    wxTimer m_repeat;
};

}  // namespace kavrin
