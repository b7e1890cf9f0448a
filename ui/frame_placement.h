// Where a frame may lie: inside the work area of a display (the screen less its panels), so that
// no part of the window, its status bar least of all, is out of the user's reach.
#pragma once

#include <wx/gdicmn.h>

class wxWindow;

namespace kavrin {

// `wanted` made to fit `area`: no larger than it, and moved (never shrunk further) to lie inside.
wxRect FitIntoArea(const wxRect& wanted, const wxRect& area);

// The work area of the display that shows most of `rect` (the first display when none does).
wxRect WorkAreaAt(const wxRect& rect);
// The work area of the display that shows `window`.
wxRect WorkAreaOf(const wxWindow& window);

}  // namespace kavrin
