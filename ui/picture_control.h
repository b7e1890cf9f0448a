// A picture control of the form: a sunken static surface that shows the latest picture drawn for
// it. Ticks draw off-screen and hand the bitmap over; the control paints it in its own paint
// handler, so a tick reaches the screen in one copy and an uncovered control shows the last
// picture again.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

namespace kavrin {

class CPictureControl : public wxWindow {
public:
    CPictureControl(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);

    // Replaces the picture and asks for a repaint.
    void SetPicture(const wxBitmap& picture);
    const wxBitmap& GetPicture() const { return m_picture; }
    // No tab stop: Tab moves between the edits only.
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap m_picture;
};

}  // namespace kavrin
