// The timeline pane under the form: paints the latest picture of the log, and lets the mouse
// choose what it shows (wheel: zoom, drag: pan, double click: follow the newest evaluation).
//
// Threads: user-interface thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

#include "analysis/evaluation_log.h"
#include "ui/timeline_layout.h"

namespace kavrin {

class CTimelinePane : public wxWindow {
public:
    CTimelinePane(wxWindow* parent, const CEvaluationLog& log);

    // Computes and draws the picture anew at the pane's size (nothing while hidden).
    void Redraw();
    // The picture as shown (same stretch, same view) at another size, for the export.
    wxBitmap Render(const wxSize& size, const wxFont& font) const;

    const TimelineView& View() const { return m_view; }
    void SetView(const TimelineView& view);
    const TimelineLayout& LastLayout() const { return m_layout; }
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

    const CEvaluationLog& m_log;
    TimelineView m_view;
    TimelineLayout m_layout;
    wxBitmap m_picture;
    bool m_dragging = false;
    int m_dragX = 0;
    int m_redraws = 0;
};

TimelineMetrics MeasureTimelineFont(const wxFont& font);

}  // namespace kavrin
