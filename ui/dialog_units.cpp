#include "ui/dialog_units.h"

#include <wx/window.h>

namespace kavrin {
namespace {

// value * numerator / denominator, rounded to the nearest integer (halves away from zero).
int MulDivRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

const char* const kAverageText = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

wxFont DialogFont(const wxWindow& window) {
    static wxFont chosen;
    if (chosen.IsOk()) return chosen;
    // Condensed DejaVu ships with the desktop's base fonts; the next two are metric twins of the
    // classic dialog faces; the desktop's own sans comes last.
    const char* const faces[] = {"DejaVu Sans Condensed", "Liberation Sans", "Nimbus Sans", ""};
    constexpr int kWidestBase = 6;
    int narrowest = 0;
    for (const char* face : faces) {
        const wxFont font(wxFontInfo(8).Family(wxFONTFAMILY_SWISS).FaceName(face));
        if (!font.IsOk()) continue;
        int width = 0;
        int height = 0;
        window.GetTextExtent(kAverageText, &width, &height, nullptr, nullptr, &font);
        if (!chosen.IsOk() || width < narrowest) {
            chosen = font;
            narrowest = width;
        }
        if ((width / 26 + 1) / 2 <= kWidestBase) {
            chosen = font;
            break;
        }
    }
    return chosen;
}

DialogUnits DialogUnits::ForWindow(const wxWindow& window) {
    int width = 0;
    int height = 0;
    window.GetTextExtent(kAverageText, &width, &height);
    return DialogUnits((width / 26 + 1) / 2, height);
}

int DialogUnits::X(int units) const {
    return MulDivRounded(units, m_baseX, 4);
}
int DialogUnits::Y(int units) const {
    return MulDivRounded(units, m_baseY, 8);
}

}  // namespace kavrin
