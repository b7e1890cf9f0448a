// The drawing of one display tick: each of the four pictures drawn off-screen into a bitmap of
// its control's client size, from the tick's computed result.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>

#include "ui/tick_computation.h"

namespace kavrin {

struct TickPictures {
    wxBitmap instMarker;  // control 1002
    wxBitmap avgMarker;   // control 1003
    wxBitmap spectrum;    // control 1004
    wxBitmap lamp;        // control 1005
};

// The colours of the display, red, green, blue 0..255.
wxColour InstMarkerColour();                  // 225, 0, 0
wxColour AvgMarkerColour();                   // 0, 255, 0
wxColour BarColour();                         // 0, 0, 0
wxColour LampColourValue(LampColour colour);  // 242, 18, 13 / 255, 255, 0 / 0, 255, 0

// Pens are solid, 10 pixels wide; the lamp's outline is a one-pixel black pen. A control whose
// client area is empty gets no bitmap (it keeps its previous picture).
TickPictures DrawTick(const TickInputs& in, const TickResult& result);

}  // namespace kavrin
