// Small layout steps that let a form laid out in dialog units survive the real font: controls
// stacked in a column move apart where their text needs more height than the template gives, a
// group box grows around its contents, and the frame grows to hold the whole form.
#pragma once

#include <wx/gdicmn.h>

#include <initializer_list>

class wxFrame;
class wxWindow;

namespace kavrin {

// The window takes the size its text needs in its own (inherited) font, measured afresh: the
// size the toolkit gives a label at creation comes from the desktop's larger font.
void FitToText(wxWindow* window);

// Each window in the list starts at least `gap` pixels below the bottom of the one before it
// (moved down only where it would overlap).
void SeparateStacked(std::initializer_list<wxWindow*> column, int gap);
template <std::size_t N>
void SeparateStacked(wxWindow* const (&column)[N], int gap) {
    for (std::size_t i = 1; i < N; ++i) SeparateStacked({column[i - 1], column[i]}, gap);
}

// `window` stands against the right edge of `buddy`, at its top.
void MoveBeside(wxWindow* window, const wxWindow* buddy);

// The box keeps its top left corner and grows, where needed, to hold every window of `contents`
// with the margins on its right and at its bottom.
void EncloseChildren(wxWindow* box, std::initializer_list<wxWindow*> contents, int marginX,
                     int marginY);

// The extent of `parent`'s children (their right and bottom edges) plus the margins.
wxSize ContentSize(const wxWindow& parent, int marginX, int marginY);

// Grows the frame (never shrinks it) so that its client area holds `needed`, within the screen.
void GrowFrameToHold(wxFrame& frame, const wxSize& needed);

}  // namespace kavrin
