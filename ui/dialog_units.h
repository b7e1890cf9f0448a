// Dialog units: positions in a template are quarters of the font's average letter width and
// eighths of its height. The toolkit converts with the top-level window's font; Kavrin's form
// and dialogs use their own 8-point font, so they convert with that font instead.
#pragma once

#include <wx/font.h>
#include <wx/gdicmn.h>

class wxWindow;

namespace kavrin {

// The 8-point sans-serif font of the form and the dialogs: the first face whose dialog units are
// at most 6 x 13 pixels, as the templates were laid out for (so that the form's 399 units across
// fit the 640-pixel frame), else the narrowest one found. Chosen once, measured on `window`.
wxFont DialogFont(const wxWindow& window);

class DialogUnits {
public:
    // baseX: average letter width, baseY: character height, in pixels.
    DialogUnits(int baseX, int baseY) : m_baseX(baseX), m_baseY(baseY) {}
    // Measures the base of `window`'s own font.
    static DialogUnits ForWindow(const wxWindow& window);

    int X(int units) const;
    int Y(int units) const;
    wxPoint Point(int x, int y) const { return wxPoint(X(x), Y(y)); }
    wxSize Size(int width, int height) const { return wxSize(X(width), Y(height)); }
    wxRect Rect(int x, int y, int width, int height) const {
        return wxRect(Point(x, y), Size(width, height));
    }

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    int m_baseX;
    int m_baseY;
};

}  // namespace kavrin
