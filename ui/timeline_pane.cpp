#include "ui/timeline_pane.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>

#include "ui/timeline_drawing.h"

namespace kavrin {

TimelineMetrics MeasureTimelineFont(const wxFont& font) {
    wxBitmap probe(8, 8);
    wxMemoryDC dc(probe);
    dc.SetFont(font);
    TimelineMetrics metrics;
    metrics.charWidth = dc.GetCharWidth();
    metrics.charHeight = dc.GetCharHeight();
    return metrics;
}

CTimelinePane::CTimelinePane(wxWindow* parent, const CEvaluationLog& log) : m_log(log) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
           wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE);
    Bind(wxEVT_PAINT, &CTimelinePane::OnPaint, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent&) { Redraw(); });
    Bind(wxEVT_MOUSEWHEEL, &CTimelinePane::OnWheel, this);
    Bind(wxEVT_LEFT_DOWN, &CTimelinePane::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CTimelinePane::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CTimelinePane::OnLeftUp, this);
    Bind(wxEVT_LEFT_DCLICK, &CTimelinePane::OnDoubleClick, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_dragging = false; });
}

void CTimelinePane::Redraw() {
    if (!IsShown()) return;
    const wxSize size = GetClientSize();
    m_layout = ComputeTimelineLayout(m_log, m_view, size.x, size.y, MeasureTimelineFont(GetFont()));
    m_picture = DrawTimeline(m_layout, GetFont());
    ++m_redraws;
    Refresh(false);
}

wxBitmap CTimelinePane::Render(const wxSize& size, const wxFont& font) const {
    return DrawTimeline(
        ComputeTimelineLayout(m_log, m_view, size.x, size.y, MeasureTimelineFont(font)), font);
}

void CTimelinePane::SetView(const TimelineView& view) {
    m_view = view;
    Redraw();
}

void CTimelinePane::OnPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    if (m_picture.IsOk()) dc.DrawBitmap(m_picture, 0, 0);
}

void CTimelinePane::OnWheel(wxMouseEvent& event) {
    const double plotWidth = m_layout.plot.right - m_layout.plot.left;
    const double anchor = plotWidth > 0 ? (event.GetX() - m_layout.plot.left) / plotWidth : 1.0;
    const double factor = event.GetWheelRotation() > 0 ? 0.8 : 1.25;
    SetView(ZoomTimeline(m_view, m_log, factor, anchor));
}

void CTimelinePane::OnLeftDown(wxMouseEvent& event) {
    m_dragging = true;
    m_dragX = event.GetX();
    if (!HasCapture()) CaptureMouse();
}

void CTimelinePane::OnMotion(wxMouseEvent& event) {
    if (!m_dragging || !event.LeftIsDown()) return;
    const int dx = event.GetX() - m_dragX;
    if (dx == 0) return;
    m_dragX = event.GetX();
    SetView(PanTimeline(m_view, m_log, dx, m_layout.plot.right - m_layout.plot.left));
}

void CTimelinePane::OnLeftUp(wxMouseEvent&) {
    m_dragging = false;
    if (HasCapture()) ReleaseMouse();
}

void CTimelinePane::OnDoubleClick(wxMouseEvent&) {
    TimelineView view = m_view;
    view.following = true;
    SetView(view);
}

}  // namespace kavrin
