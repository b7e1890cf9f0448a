#include "ui/timeline/timeline_pane.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>

#include <algorithm>
#include <cstdlib>

#include "ui/timeline/timeline_drawing.h"

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
           wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS);
    Bind(wxEVT_PAINT, &CTimelinePane::OnPaint, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent&) { Redraw(); });
    Bind(wxEVT_MOUSEWHEEL, &CTimelinePane::OnWheel, this);
    Bind(wxEVT_LEFT_DOWN, &CTimelinePane::OnLeftDown, this);
    Bind(wxEVT_MOTION, &CTimelinePane::OnMotion, this);
    Bind(wxEVT_LEFT_UP, &CTimelinePane::OnLeftUp, this);
    Bind(wxEVT_LEFT_DCLICK, &CTimelinePane::OnDoubleClick, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
        m_dragging = false;
        // An edge drag cut short keeps where the edge got to.
        if (m_edgeDrag && m_edgeSeconds && m_onSegmentEdge)
            m_onSegmentEdge(m_edgeDrag->index, m_edgeDrag->part, *m_edgeSeconds, true);
        m_edgeDrag.reset();
    });
    Bind(wxEVT_KEY_DOWN, &CTimelinePane::OnKey, this);
}

void CTimelinePane::SetEnvelope(const CLevelEnvelope* envelope, double startSeconds) {
    m_overlay.envelope = envelope;
    m_overlay.envelopeStart = startSeconds;
    Redraw();
}

void CTimelinePane::SetPlayhead(std::optional<double> seconds) {
    if (m_overlay.playhead == seconds) return;
    m_overlay.playhead = seconds;
    Redraw();
}

void CTimelinePane::SetSelection(std::optional<std::pair<double, double>> selection) {
    m_overlay.selection = selection;
    Redraw();
}

void CTimelinePane::SetProgress(const std::string& text) {
    if (m_overlay.progress == text) return;
    m_overlay.progress = text;
    Redraw();
}

void CTimelinePane::SetBaselineBand(std::optional<std::pair<double, double>> lowHighHz) {
    m_overlay.baselineHz = lowHighHz;
    Redraw();
}

void CTimelinePane::KeepInView(double seconds) {
    double from = 0.0;
    double to = 0.0;
    VisibleRange(m_view, m_log, from, to);
    if (seconds >= from && seconds <= to) return;
    TimelineView view = m_view;
    view.following = false;
    view.spanSeconds = to - from;
    // The playhead enters at the left edge, with the page ahead of it.
    view.endSeconds = seconds + view.spanSeconds;
    SetView(view);
}

void CTimelinePane::SetLabels(const std::vector<kavrin_labels::Segment>* labels) {
    m_overlay.labels = labels;
    Redraw();
}

std::optional<LabelRowHit> CTimelinePane::SegmentAt(int x, int y) const {
    const TimelineRect& row = m_layout.labelRow;
    if (row.bottom <= row.top || y < row.top || y > row.bottom) return std::nullopt;
    return HitLabelRow(m_layout.labelItems, x, 4.0);
}

bool CTimelinePane::InLevelStrip(int y) const {
    return m_overlay.envelope && y >= m_layout.level.top && y <= m_layout.level.bottom &&
           m_layout.level.bottom > m_layout.level.top;
}

void CTimelinePane::OnKey(wxKeyEvent& event) {
    const double plotWidth = m_layout.plot.right - m_layout.plot.left;
    switch (event.GetKeyCode()) {
        case '+':
        case '=':
        case WXK_NUMPAD_ADD:
            SetView(ZoomTimeline(m_view, m_log, 0.8, 0.5));
            return;
        case '-':
        case WXK_NUMPAD_SUBTRACT:
            SetView(ZoomTimeline(m_view, m_log, 1.25, 0.5));
            return;
        case WXK_LEFT:
            SetView(PanTimeline(m_view, m_log, plotWidth / 10.0, plotWidth));
            return;
        case WXK_RIGHT:
            SetView(PanTimeline(m_view, m_log, -plotWidth / 10.0, plotWidth));
            return;
        case WXK_HOME: {
            double from = 0.0;
            double to = 0.0;
            VisibleRange(m_view, m_log, from, to);
            TimelineView view = m_view;
            view.following = false;
            view.endSeconds = to - from;
            SetView(view);
            return;
        }
        case WXK_END: {
            double from = 0.0;
            double to = 0.0;
            VisibleRange(m_view, m_log, from, to);
            TimelineView view = m_view;
            view.following = false;
            view.endSeconds = std::max(m_log.EndSeconds(), to - from);
            SetView(view);
            return;
        }
        case WXK_SPACE:
            if (m_onPlayPause) m_onPlayPause();
            return;
        case WXK_ESCAPE:
            if (m_onEscape) m_onEscape();
            return;
        case WXK_DELETE:
        case WXK_NUMPAD_DELETE:
            if (m_onDeleteKey) m_onDeleteKey();
            return;
        default:
            event.Skip();
    }
}

void CTimelinePane::Redraw() {
    if (!IsShown()) return;
    const wxSize size = GetClientSize();
    m_layout = ComputeTimelineLayout(m_log, m_view, size.x, size.y, MeasureTimelineFont(GetFont()),
                                     &m_overlay);
    m_picture = DrawTimeline(m_layout, GetFont());
    ++m_redraws;
    Refresh(false);
}

wxBitmap CTimelinePane::Render(const wxSize& size, const wxFont& font) const {
    return DrawTimeline(
        ComputeTimelineLayout(m_log, m_view, size.x, size.y, MeasureTimelineFont(font), &m_overlay),
        font);
}

void CTimelinePane::SetView(const TimelineView& view) {
    const double share = m_view.minVoicedShare;
    m_view = view;
    m_view.minVoicedShare = share;
    Redraw();
}

void CTimelinePane::SetMinVoicedShare(double share) {
    m_view.minVoicedShare = share;
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
    SetFocus();
    m_edgeDrag.reset();
    if (const std::optional<LabelRowHit> hit = SegmentAt(event.GetX(), event.GetY())) {
        m_clickedSegment = hit->index;
        // An edge is dragged; a click on the box goes on as a click anywhere.
        if (hit->part != LabelRowPart::Body && m_onSegmentEdge) {
            m_edgeDrag = hit;
            m_edgeSeconds.reset();
            if (!HasCapture()) CaptureMouse();
            return;
        }
    }
    m_dragging = true;
    m_moved = false;
    // Shift+drag, or any drag on the recording's level, selects; other drags pan.
    m_selecting = m_overlay.envelope && (event.ShiftDown() || InLevelStrip(event.GetY()));
    m_dragX = event.GetX();
    m_downX = event.GetX();
    if (!HasCapture()) CaptureMouse();
}

void CTimelinePane::OnMotion(wxMouseEvent& event) {
    if (m_edgeDrag && event.LeftIsDown()) {
        m_edgeSeconds = std::max(0.0, TimelineSecondsAt(m_layout, event.GetX()));
        m_onSegmentEdge(m_edgeDrag->index, m_edgeDrag->part, *m_edgeSeconds, false);
        return;
    }
    if (!m_dragging || !event.LeftIsDown()) return;
    if (!m_moved && std::abs(event.GetX() - m_downX) < 3) return;  // still a click
    m_moved = true;
    if (m_selecting) {
        const double a = TimelineSecondsAt(m_layout, m_downX);
        const double b = TimelineSecondsAt(m_layout, event.GetX());
        SetSelection(std::make_pair(std::max(0.0, std::min(a, b)), std::max(a, b)));
        return;
    }
    const int dx = event.GetX() - m_dragX;
    if (dx == 0) return;
    m_dragX = event.GetX();
    SetView(PanTimeline(m_view, m_log, dx, m_layout.plot.right - m_layout.plot.left));
}

void CTimelinePane::OnLeftUp(wxMouseEvent& event) {
    if (m_edgeDrag) {
        const LabelRowHit edge = *m_edgeDrag;
        m_edgeDrag.reset();
        if (HasCapture()) ReleaseMouse();
        if (m_onSegmentEdge)
            m_onSegmentEdge(edge.index, edge.part,
                            std::max(0.0, TimelineSecondsAt(m_layout, event.GetX())), true);
        return;
    }
    const bool click = m_dragging && !m_moved;
    m_dragging = false;
    if (HasCapture()) ReleaseMouse();
    if (!click || !m_overlay.envelope) return;
    // A click sets the playhead there and forgets the selection.
    const double at = std::max(0.0, TimelineSecondsAt(m_layout, event.GetX()));
    m_overlay.selection.reset();
    SetPlayhead(at);
    if (m_onPlayheadSet) m_onPlayheadSet(at);
}

void CTimelinePane::OnDoubleClick(wxMouseEvent& event) {
    if (const std::optional<LabelRowHit> hit = SegmentAt(event.GetX(), event.GetY())) {
        if (m_onRenameSegment) m_onRenameSegment(hit->index);
        return;
    }
    TimelineView view = m_view;
    view.following = true;
    SetView(view);
}

}  // namespace kavrin
