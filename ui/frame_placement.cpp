#include "ui/frame_placement.h"

#include <wx/display.h>
#include <wx/window.h>

#include <algorithm>

namespace kavrin {

wxRect FitIntoArea(const wxRect& wanted, const wxRect& area) {
    wxRect fitted = wanted;
    fitted.width = std::min(fitted.width, area.width);
    fitted.height = std::min(fitted.height, area.height);
    fitted.x = std::clamp(fitted.x, area.x, area.x + area.width - fitted.width);
    fitted.y = std::clamp(fitted.y, area.y, area.y + area.height - fitted.height);
    return fitted;
}

wxRect WorkAreaAt(const wxRect& rect) {
    unsigned best = 0;
    long bestShown = -1;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
        const wxRect shown = wxDisplay(i).GetGeometry().Intersect(rect);
        const long area = shown.IsEmpty() ? 0 : long(shown.width) * shown.height;
        if (area > bestShown) {
            bestShown = area;
            best = i;
        }
    }
    return wxDisplay(best).GetClientArea();
}

wxRect WorkAreaOf(const wxWindow& window) {
    const int display = wxDisplay::GetFromWindow(&window);
    return wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetClientArea();
}

}  // namespace kavrin
