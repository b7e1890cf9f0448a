#include "ui/picture_control.h"

#include <wx/dcclient.h>

namespace kavrin {

CPictureControl::CPictureControl(wxWindow* parent, int id, const wxPoint& position,
                                 const wxSize& size)
    : wxWindow(parent, id, position, size, wxBORDER_SUNKEN | wxFULL_REPAINT_ON_RESIZE) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CPictureControl::OnPaint, this);
}

void CPictureControl::SetPicture(const wxBitmap& picture) {
    m_picture = picture;
    Refresh(false);
}

void CPictureControl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    // Until the first tick the control shows the form's plain background.
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    if (m_picture.IsOk()) dc.DrawBitmap(m_picture, 0, 0, false);
}

}  // namespace kavrin
