// Input and pictures from inside the process, for native Wayland, where a client can neither
// inject input through the system (wxUIActionSimulator) nor read the screen (wxScreenDC, an X
// screenshot). A key press is handed to GTK's own event loop as the compositor's would be, so it
// meets the same accelerators and default buttons; a click is the button's own "clicked"; a
// picture is what GTK draws for the window, through the window's paint handlers.
#pragma once

#include <wx/image.h>
#include <wx/window.h>

namespace gui_test {

// Presses and releases `key` (a wxKeyCode or a lower-case letter) in the top-level window of
// `target`, with `modifiers` (wxMOD_CONTROL, wxMOD_SHIFT) held.
void PressKeyInProcess(wxWindow* target, int key, int modifiers = wxMOD_NONE);
// Moves the pointer to `point` of `window`'s client area.
void MovePointerInProcess(wxWindow* window, const wxPoint& point);
// Clicks a button, check box or radio button as the pointer would.
void ClickInProcess(wxWindow* button);
// The window as GTK draws it now, its client area from (0, 0).
wxImage WindowPicture(wxWindow* window);

}  // namespace gui_test
