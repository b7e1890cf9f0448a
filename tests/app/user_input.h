// What a user does to the window, and what the screen shows of it, as the window tests need
// them. On X11 input goes through the system (wxUIActionSimulator) and pictures come from the
// screen. On native Wayland a client can do neither: there a key is handed to GTK's own event
// loop as the compositor's would be (so it meets the same accelerators and default buttons), a
// click on a button is its own "clicked", one elsewhere gives the focus, and a picture is what
// GTK draws for the window through its paint handlers.
#pragma once

#include <wx/defs.h>
#include <wx/image.h>
#include <wx/window.h>

#include <string>

namespace gui_test {

// The pointer to `point` of `window`'s client area.
void PointAt(wxWindow* window, const wxPoint& point);
// A click at `point` of `window`'s client area.
void ClickAt(wxWindow* window, const wxPoint& point);
// `key` (a wxKeyCode or a lower-case letter) pressed and released with `modifiers` held
// (wxMOD_CONTROL, wxMOD_SHIFT), into the top-level window of `target`.
void TypeKey(wxWindow* target, int key, int modifiers = wxMOD_NONE);
// Each character of `text` typed in turn.
void TypeText(wxWindow* target, const std::string& text);
// The client area of `window` as the screen shows it (on Wayland: as GTK draws it).
wxImage ShownPicture(wxWindow* window);
// The client area of `window` as GTK draws it now.
wxImage WindowPicture(wxWindow* window);

}  // namespace gui_test
