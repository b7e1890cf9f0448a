#include "ui/scale_control.h"

#include <wx/dcclient.h>

#include <algorithm>

#include "ui/scale_layout.h"

namespace kavrin {
namespace {

// Half the widest number's width and a little air: room for the outer numbers beyond the marker
// control's edges.
int Overhang(const wxWindow& window, const wxString& text) {
    int widest = 0;
    for (const std::string& label : ScaleLabels(text.ToStdString()))
        widest = std::max(widest, window.GetTextExtent(label).x);
    return widest / 2 + 2;
}

}  // namespace

CScaleControl::CScaleControl(wxWindow* parent, int id, const wxString& text, wxWindow* marker,
                             int y, int height)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE), m_marker(marker) {
    SetLabel(text);
    SetFont(parent->GetFont());
    SetCanFocus(false);
    const int overhang = Overhang(*this, text);
    const wxRect markerRect = marker->GetRect();
    SetSize(markerRect.x - overhang, y, markerRect.width + 2 * overhang,
            std::max(height, GetCharHeight()));
    Bind(wxEVT_PAINT, &CScaleControl::OnPaint, this);
}

int CScaleControl::LabelCount() const {
    return static_cast<int>(ScaleLabels(GetLabel().ToStdString()).size());
}

double CScaleControl::LabelCentre(int k) const {
    // The marker's client origin may sit inside its border: measure it where it is now.
    const int markerLeft = m_marker->ClientToScreen(wxPoint(0, 0)).x;
    const int ownLeft = ClientToScreen(wxPoint(0, 0)).x;
    return markerLeft - ownLeft + ScaleLabelCentre(k, LabelCount(), m_marker->GetClientSize().x);
}

void CScaleControl::OnPaint(wxPaintEvent&) {
    // The form's own background shows through; only the numbers are drawn.
    wxPaintDC dc(this);
    dc.SetFont(GetFont());
    dc.SetTextForeground(GetForegroundColour());
    const std::vector<std::string> labels = ScaleLabels(GetLabel().ToStdString());
    for (int k = 0; k < static_cast<int>(labels.size()); ++k) {
        const wxSize extent = dc.GetTextExtent(labels[k]);
        const int x = static_cast<int>(LabelCentre(k) - extent.x / 2.0 + 0.5);
        dc.DrawText(labels[k], x, (GetClientSize().y - extent.y) / 2);
    }
}

}  // namespace kavrin
