#include "ui/up_down_control.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "ui/dialog_text.h"

namespace kavrin {
namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 80;

void DrawArrow(wxDC& dc, const wxRect& button, bool up) {
    const int half = std::max(2, std::min(button.width, button.height) / 3);
    const wxPoint centre = button.GetPosition() + wxPoint(button.width / 2, button.height / 2);
    const int tip = up ? -half / 2 - 1 : half / 2 + 1;
    const int base = up ? half / 2 : -half / 2;
    const wxPoint points[] = {{centre.x, centre.y + tip},
                              {centre.x - half, centre.y + base},
                              {centre.x + half, centre.y + base}};
    dc.DrawPolygon(3, points);
}

}  // namespace

CUpDownControl::CUpDownControl(wxWindow* parent, int id, wxTextCtrl* buddy, const wxPoint& position,
                               const wxSize& size)
    : wxWindow(parent, id, position, size, wxBORDER_NONE), m_buddy(buddy), m_repeat(this) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CUpDownControl::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CUpDownControl::OnMouseDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CUpDownControl::OnMouseDown, this);
    Bind(wxEVT_LEFT_UP, &CUpDownControl::OnMouseUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
        m_pressed = 0;
        m_repeat.Stop();
        Refresh();
    });
    Bind(wxEVT_TIMER, &CUpDownControl::OnRepeat, this);
    if (m_buddy) m_buddy->Bind(wxEVT_KEY_DOWN, &CUpDownControl::OnBuddyKey, this);
}

void CUpDownControl::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
}

int CUpDownControl::GetPosition() const {
    const std::int32_t value =
        m_buddy ? ReadDialogInt(m_buddy->GetValue().ToStdString(wxConvUTF8)) : 0;
    return std::clamp<std::int32_t>(value, m_min, m_max);
}

void CUpDownControl::Step(int direction) {
    const int position = std::clamp(GetPosition() + direction, m_min, m_max);
    if (m_buddy) m_buddy->ChangeValue(wxString::Format("%d", position));
}

void CUpDownControl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    const int upperHeight = size.y / 2;
    const wxRect upper(0, 0, size.x, upperHeight);
    const wxRect lower(0, upperHeight, size.x, size.y - upperHeight);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    wxRendererNative& renderer = wxRendererNative::Get();
    renderer.DrawPushButton(this, dc, upper, m_pressed > 0 ? int{wxCONTROL_PRESSED} : 0);
    renderer.DrawPushButton(this, dc, lower, m_pressed < 0 ? int{wxCONTROL_PRESSED} : 0);
    const wxColour arrow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT);
    dc.SetPen(wxPen(arrow));
    dc.SetBrush(wxBrush(arrow));
    DrawArrow(dc, upper, true);
    DrawArrow(dc, lower, false);
}

void CUpDownControl::OnMouseDown(wxMouseEvent& event) {
    m_pressed = event.GetY() < GetClientSize().y / 2 ? 1 : -1;
    if (!HasCapture()) CaptureMouse();
    Step(m_pressed);
    m_repeat.StartOnce(kFirstRepeatMs);
    Refresh();
}

void CUpDownControl::OnMouseUp(wxMouseEvent&) {
    m_pressed = 0;
    m_repeat.Stop();
    if (HasCapture()) ReleaseMouse();
    Refresh();
}

void CUpDownControl::OnRepeat(wxTimerEvent&) {
    if (m_pressed == 0) return;
    Step(m_pressed);
    m_repeat.StartOnce(kRepeatMs);
}

void CUpDownControl::OnBuddyKey(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_UP)
        Step(1);
    else if (event.GetKeyCode() == WXK_DOWN)
        Step(-1);
    else
        event.Skip();
}

}  // namespace kavrin
