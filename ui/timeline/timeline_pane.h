// The timeline pane under the form: paints the latest picture of the log, and lets the mouse
// choose what it shows (wheel: zoom, drag: pan, double click: follow the newest evaluation).
// With a reviewed recording it also draws the recording's level, a playhead that a click sets
// and a selection that Shift+drag (or a drag on the level strip) makes; while the pane has the
// focus, + and - zoom, the arrows pan, Home and End go to either end, Space plays and pauses and
// Escape cancels a review, through the handlers its owner sets.
//
// Threads: user-interface thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include <functional>

#include "analysis/evaluation_log.h"
#include "ui/timeline/timeline_layout.h"

namespace kavrin {

class CTimelinePane : public wxWindow {
public:
    CTimelinePane(wxWindow* parent, const CEvaluationLog& log);

    // Computes and draws the picture anew at the pane's size (nothing while hidden).
    void Redraw();
    // The picture as shown (same stretch, same view) at another size, for the export.
    wxBitmap Render(const wxSize& size, const wxFont& font) const;

    const TimelineView& View() const { return m_view; }
    // Keeps the reading threshold: only SetMinVoicedShare changes it.
    void SetView(const TimelineView& view);
    void SetMinVoicedShare(double share);
    const TimelineLayout& LastLayout() const { return m_layout; }

    // The reviewed recording's part of the picture (the envelope is its owner's; null: none).
    const TimelineReviewOverlay& Overlay() const { return m_overlay; }
    void SetEnvelope(const CLevelEnvelope* envelope, double startSeconds);
    void SetPlayhead(std::optional<double> seconds);
    void SetSelection(std::optional<std::pair<double, double>> selection);
    void SetProgress(const std::string& text);
    void SetBaselineBand(std::optional<std::pair<double, double>> lowHighHz);
    // Keeps `seconds` in view: a page further when it has left the visible stretch.
    void KeepInView(double seconds);
    // The keys of the pane, for its owner and the tests: Space, Escape.
    std::function<void()> m_onPlayPause;
    std::function<void()> m_onEscape;
    // A click set the playhead (timeline seconds).
    std::function<void(double)> m_onPlayheadSet;

    // The segments of the label row (its owner's, null: none), and what the mouse and the keys
    // do to them: an edge dragged to a time (`done` on release), a double click to rename, the
    // Delete key.
    void SetLabels(const std::vector<kavrin_labels::Segment>* labels);
    std::function<void(std::size_t index, LabelRowPart edge, double seconds, bool done)>
        m_onSegmentEdge;
    std::function<void(std::size_t index)> m_onRenameSegment;
    std::function<void()> m_onDeleteKey;
    // The segment last clicked in the label row (forgotten when the segments change).
    std::optional<std::size_t> ClickedSegment() const { return m_clickedSegment; }
    void ForgetClickedSegment() { m_clickedSegment.reset(); }
    // The label row's segment under pane pixel (x, y), for the mouse and the tests.
    std::optional<LabelRowHit> SegmentAt(int x, int y) const;
    const wxBitmap& Picture() const { return m_picture; }
    // How many times the picture was drawn (for the tests of the tick's repainting).
    int Redraws() const { return m_redraws; }

private:
    void OnPaint(wxPaintEvent&);
    void OnWheel(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnDoubleClick(wxMouseEvent& event);
    void OnKey(wxKeyEvent& event);
    bool InLevelStrip(int y) const;

    const CEvaluationLog& m_log;
    TimelineView m_view;
    TimelineLayout m_layout;
    wxBitmap m_picture;
    TimelineReviewOverlay m_overlay;
    std::optional<LabelRowHit> m_edgeDrag;
    std::optional<double> m_edgeSeconds;  // where the dragged edge is
    std::optional<std::size_t> m_clickedSegment;
    bool m_dragging = false;
    bool m_selecting = false;
    bool m_moved = false;
    int m_dragX = 0;
    int m_downX = 0;
    int m_redraws = 0;
};

TimelineMetrics MeasureTimelineFont(const wxFont& font);

}  // namespace kavrin
