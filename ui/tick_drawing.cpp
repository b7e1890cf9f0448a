#include "ui/tick_drawing.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/pen.h>

#include <algorithm>

namespace kavrin {
namespace {

constexpr int kPenWidth = 10;
// Far beyond any control yet well inside what the drawing layer takes.
constexpr int kCoordinateLimit = 30000;

int DrawingCoordinate(int value) {
    return std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
}

// A white surface of the control's client size, or nothing when the control has no client area.
class Surface {
public:
    explicit Surface(const ClientRect& rect) {
        if (rect.right <= 0 || rect.bottom <= 0) return;
        m_bitmap = wxBitmap(rect.right, rect.bottom, 24);
        m_dc.SelectObject(m_bitmap);
        // Hard edges, as the display has always had: no blending of a colour into the white.
        if (wxGraphicsContext* gc = m_dc.GetGraphicsContext())
            gc->SetAntialiasMode(wxANTIALIAS_NONE);
        m_dc.SetBackground(*wxWHITE_BRUSH);
        m_dc.Clear();
    }

    bool IsOk() const { return m_bitmap.IsOk(); }
    wxMemoryDC& DC() { return m_dc; }

    wxBitmap Finish() {
        if (!m_bitmap.IsOk()) return {};
        m_dc.SelectObject(wxNullBitmap);
        return m_bitmap;
    }

private:
    wxBitmap m_bitmap;
    wxMemoryDC m_dc;
};

void DrawStroke(wxDC& dc, const Stroke& stroke) {
    dc.DrawLine(DrawingCoordinate(stroke.x1), DrawingCoordinate(stroke.y1),
                DrawingCoordinate(stroke.x2), DrawingCoordinate(stroke.y2));
}

}  // namespace

wxColour InstMarkerColour() {
    return wxColour(225, 0, 0);
}
wxColour AvgMarkerColour() {
    return wxColour(0, 255, 0);
}
wxColour BarColour() {
    return wxColour(0, 0, 0);
}

wxColour LampColourValue(LampColour colour) {
    switch (colour) {
        case LampColour::Red:
            return wxColour(242, 18, 13);
        case LampColour::Yellow:
            return wxColour(255, 255, 0);
        case LampColour::Green:
            break;
    }
    return wxColour(0, 255, 0);
}

TickPictures DrawTick(const TickInputs& in, const TickResult& result) {
    Surface inst(in.instMarker);
    Surface avg(in.avgMarker);
    Surface lamp(in.lamp);
    Surface spectrum(in.spectrum);

    const wxPen redPen(InstMarkerColour(), kPenWidth, wxPENSTYLE_SOLID);
    const wxPen greenPen(AvgMarkerColour(), kPenWidth, wxPENSTYLE_SOLID);
    const wxPen blackPen(BarColour(), kPenWidth, wxPENSTYLE_SOLID);

    if (spectrum.IsOk()) {
        spectrum.DC().SetPen(blackPen);
        for (int i = 0; i < result.barCount; ++i) DrawStroke(spectrum.DC(), result.bars[i]);
    }
    if (inst.IsOk() && result.instMarker) {
        inst.DC().SetPen(redPen);
        DrawStroke(inst.DC(), *result.instMarker);
    }
    if (avg.IsOk() && result.avgMarker) {
        avg.DC().SetPen(greenPen);
        DrawStroke(avg.DC(), *result.avgMarker);
    }
    if (lamp.IsOk() && result.lamp) {
        const ClientRect& r = in.lamp;
        lamp.DC().SetPen(*wxBLACK_PEN);
        lamp.DC().SetBrush(wxBrush(LampColourValue(*result.lamp), wxBRUSHSTYLE_SOLID));
        lamp.DC().DrawEllipse(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }

    TickPictures pictures;
    pictures.spectrum = spectrum.Finish();
    pictures.instMarker = inst.Finish();
    pictures.avgMarker = avg.Finish();
    pictures.lamp = lamp.Finish();
    return pictures;
}

}  // namespace kavrin
