#include "ui/form_fit.h"

#include <wx/display.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/window.h>

#include <algorithm>

namespace kavrin {

void FitToText(wxWindow* window) {
    window->InvalidateBestSize();
    wxSize size = window->GetBestSize();
    if (dynamic_cast<wxStaticText*>(window)) {
        // A plain label's text in the font it is drawn with, a pixel of air on the right.
        int width = 0;
        int height = 0;
        window->GetTextExtent(window->GetLabel(), &width, &height);
        size = wxSize(width + 1, std::max(height, window->GetCharHeight()));
    }
    window->SetSize(size);
}

void SeparateStacked(std::initializer_list<wxWindow*> column, int gap) {
    const wxWindow* above = nullptr;
    for (wxWindow* window : column) {
        if (above) {
            const int lowest = above->GetRect().GetBottom() + 1 + gap;
            const wxPoint at = window->GetPosition();
            if (at.y < lowest) window->Move(at.x, lowest);
        }
        above = window;
    }
}

void MoveBeside(wxWindow* window, const wxWindow* buddy) {
    const wxRect rect = buddy->GetRect();
    window->Move(rect.GetRight() + 1, rect.y);
}

void EncloseChildren(wxWindow* box, std::initializer_list<wxWindow*> contents, int marginX,
                     int marginY) {
    wxRect rect = box->GetRect();
    int right = rect.GetRight();
    int bottom = rect.GetBottom();
    for (const wxWindow* window : contents) {
        const wxRect child = window->GetRect();
        right = std::max(right, child.GetRight() + marginX);
        bottom = std::max(bottom, child.GetBottom() + marginY);
    }
    box->SetSize(rect.x, rect.y, right - rect.x + 1, bottom - rect.y + 1);
}

wxSize ContentSize(const wxWindow& parent, int marginX, int marginY) {
    int right = 0;
    int bottom = 0;
    for (const wxWindow* child : parent.GetChildren()) {
        const wxRect rect = child->GetRect();
        right = std::max(right, rect.GetRight() + 1);
        bottom = std::max(bottom, rect.GetBottom() + 1);
    }
    return wxSize(right + marginX, bottom + marginY);
}

void GrowFrameToHold(wxFrame& frame, const wxSize& needed) {
    const wxSize client = frame.GetClientSize();
    if (client.x >= needed.x && client.y >= needed.y) return;
    const wxSize outer = frame.GetSize();
    wxSize grown(outer.x + std::max(0, needed.x - client.x),
                 outer.y + std::max(0, needed.y - client.y));
    const int display = wxDisplay::GetFromWindow(&frame);
    const wxRect screen =
        wxDisplay(display == wxNOT_FOUND ? 0u : unsigned(display)).GetClientArea();
    grown.DecTo(screen.GetSize());
    frame.SetSize(grown);
}

}  // namespace kavrin
