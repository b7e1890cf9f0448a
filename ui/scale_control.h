// The frequency scale under the markers (control 1006). Its text is the template's scale text;
// each number is drawn centred under the marker position of its frequency on the marker control
// above, whatever the font's width, so the numbers do not drift from the markers.
#pragma once

#include <wx/window.h>

namespace kavrin {

class CScaleControl : public wxWindow {
public:
    // `marker` is the marker control whose positions the numbers follow; the scale reaches half a
    // number's width beyond it on both sides.
    CScaleControl(wxWindow* parent, int id, const wxString& text, wxWindow* marker, int y,
                  int height);

    // Where the k-th number's centre stands, in this control's client pixels.
    double LabelCentre(int k) const;
    int LabelCount() const;

private:
    void OnPaint(wxPaintEvent& event);

    wxWindow* m_marker;
};

}  // namespace kavrin
