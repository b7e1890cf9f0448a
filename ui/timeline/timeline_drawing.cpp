#include "ui/timeline/timeline_drawing.h"

#include <wx/dcmemory.h>
#include <wx/graphics.h>

#include <cmath>
#include <memory>

#include "ui/tick_drawing.h"

namespace kavrin {
namespace {

void StrokeLines(wxGraphicsContext& gc, const std::vector<TimelinePolyline>& lines) {
    for (const TimelinePolyline& line : lines) {
        if (line.size() < 2) continue;
        wxGraphicsPath path = gc.CreatePath();
        path.MoveToPoint(line.front().x, line.front().y);
        for (std::size_t i = 1; i < line.size(); ++i) path.AddLineToPoint(line[i].x, line[i].y);
        gc.StrokePath(path);
    }
}

}  // namespace

wxColour TimelineInstColour() {
    return InstMarkerColour();
}
wxColour TimelineAvgColour() {
    return wxColour(0, 160, 0);
}
wxColour TimelineBandColour() {
    return wxColour(205, 220, 245);
}
wxColour TimelineMarkColour() {
    return wxColour(40, 40, 200);
}
wxColour TimelineSegmentColour() {
    return wxColour(170, 110, 0);
}
wxColour TimelineLevelColour() {
    return wxColour(70, 90, 130);
}
wxColour TimelinePlayheadColour() {
    return wxColour(230, 120, 0);
}
wxColour TimelineLampColour(EvaluationLamp lamp) {
    switch (lamp) {
        case EvaluationLamp::Red:
            return LampColourValue(LampColour::Red);
        case EvaluationLamp::Yellow:
            return LampColourValue(LampColour::Yellow);
        case EvaluationLamp::Green:
            return LampColourValue(LampColour::Green);
        case EvaluationLamp::None:
            break;
    }
    return wxColour(220, 220, 220);
}

wxBitmap DrawTimeline(const TimelineLayout& layout, const wxFont& font) {
    if (layout.width <= 0 || layout.height <= 0) return wxBitmap();
    wxBitmap bitmap(layout.width, layout.height, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    std::unique_ptr<wxGraphicsContext> context(wxGraphicsContext::Create(dc));
    if (context) DrawTimelineOn(*context, layout, font);
    context.reset();
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

void DrawTimelineOn(wxGraphicsContext& context, const TimelineLayout& layout, const wxFont& font) {
    wxGraphicsContext* const gc = &context;
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    const wxColour axisColour(90, 90, 90);
    const wxColour gridColour(232, 232, 232);
    gc->SetFont(font, axisColour);

    const TimelineRect& plot = layout.plot;
    const double plotWidth = plot.right - plot.left;
    const double plotHeight = plot.bottom - plot.top;

    // Grid and frequency labels.
    gc->SetPen(wxPen(gridColour, 1));
    for (const TimelineTick& tick : layout.frequencyTicks) {
        gc->StrokeLine(plot.left, tick.position, plot.right, tick.position);
        if (tick.label.empty()) continue;
        double w = 0, h = 0;
        gc->GetTextExtent(tick.label, &w, &h);
        gc->DrawText(tick.label, plot.left - w - 4, tick.position - h / 2);
    }
    for (const TimelineTick& tick : layout.timeTicks)
        gc->StrokeLine(tick.position, plot.top, tick.position, plot.bottom);

    gc->Clip(plot.left, plot.top, plotWidth, plotHeight);
    // The baseline's mean +- sd: translucent, so the curves and the band show through.
    if (layout.baseline) {
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(40, 110, 220, 60)));
        gc->DrawRectangle(layout.baseline->left, layout.baseline->top,
                          layout.baseline->right - layout.baseline->left,
                          layout.baseline->bottom - layout.baseline->top);
    }
    // The band of minimum and maximum, under everything else.
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(wxBrush(TimelineBandColour()));
    for (const TimelineBand& band : layout.band) {
        if (band.upper.empty()) continue;
        wxGraphicsPath path = gc->CreatePath();
        path.MoveToPoint(band.upper.front().x, band.upper.front().y);
        for (const TimelinePoint& p : band.upper) path.AddLineToPoint(p.x, p.y);
        for (auto p = band.lower.rbegin(); p != band.lower.rend(); ++p)
            path.AddLineToPoint(p->x, p->y);
        path.CloseSubpath();
        gc->FillPath(path);
    }
    gc->SetPen(wxPen(wxColour(60, 60, 60), 1, wxPENSTYLE_SHORT_DASH));
    StrokeLines(*gc, layout.lampReference);
    gc->SetPen(wxPen(TimelineAvgColour(), 2));
    StrokeLines(*gc, layout.avg);
    gc->SetPen(wxPen(TimelineInstColour(), 2));
    StrokeLines(*gc, layout.inst);
    if (!layout.instColumns.empty()) {
        wxGraphicsPath columns = gc->CreatePath();
        for (const TimelineColumn& column : layout.instColumns)
            columns.AddRectangle(column.x, column.top - 1, 1, column.bottom - column.top + 2);
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(TimelineInstColour()));
        gc->FillPath(columns);
    }
    gc->ResetClip();

    // The lamp strip: one path per colour, so that a long stretch costs three fills.
    gc->SetPen(*wxTRANSPARENT_PEN);
    for (EvaluationLamp lamp : {EvaluationLamp::None, EvaluationLamp::Red, EvaluationLamp::Yellow,
                                EvaluationLamp::Green}) {
        wxGraphicsPath path = gc->CreatePath();
        bool any = false;
        for (const TimelineStripCell& cell : layout.stripCells) {
            if (cell.lamp != lamp) continue;
            path.AddRectangle(cell.x1, layout.strip.top, cell.x2 - cell.x1,
                              layout.strip.bottom - layout.strip.top);
            any = true;
        }
        if (!any) continue;
        gc->SetBrush(wxBrush(TimelineLampColour(lamp)));
        gc->FillPath(path);
    }

    // The recording's level: each column from its lowest to its highest sample.
    if (!layout.levelColumns.empty()) {
        const TimelineRect& level = layout.level;
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(246, 246, 246)));
        gc->DrawRectangle(level.left, level.top, level.right - level.left,
                          level.bottom - level.top);
        wxGraphicsPath columns = gc->CreatePath();
        for (const TimelineColumn& column : layout.levelColumns)
            columns.AddRectangle(column.x, column.top, 1, column.bottom - column.top);
        gc->SetBrush(wxBrush(TimelineLevelColour()));
        gc->FillPath(columns);
    }
    // The segments: a box each, edges marked, texts clipped to their own room.
    if (layout.labelRow.right > layout.labelRow.left) {
        const TimelineRect& row = layout.labelRow;
        const double height = row.bottom - row.top;
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(250, 248, 240)));
        gc->DrawRectangle(row.left, row.top, row.right - row.left, height);
        for (const LabelRowItem& item : layout.labelItems) {
            gc->SetPen(wxPen(TimelineSegmentColour(), 1));
            gc->SetBrush(wxBrush(wxColour(255, 236, 190)));
            gc->DrawRectangle(item.x1, row.top, std::max(item.x2 - item.x1, 1.0), height);
            gc->SetPen(wxPen(TimelineSegmentColour(), 2));
            gc->StrokeLine(item.x1, row.top, item.x1, row.bottom);
            gc->StrokeLine(item.x2, row.top, item.x2, row.bottom);
        }
        gc->SetFont(font, wxColour(60, 40, 0));
        for (const LabelRowItem& item : layout.labelItems) {
            if (item.text.empty() || item.textRight <= item.textX) continue;
            double w = 0, h = 0;
            gc->GetTextExtent(wxString::FromUTF8(item.text), &w, &h);
            gc->Clip(item.textX, row.top, item.textRight - item.textX, height);
            gc->DrawText(wxString::FromUTF8(item.text), item.textX, row.top + (height - h) / 2);
            gc->ResetClip();
        }
    }
    // The selection over plot and level, translucent, so that both still read.
    if (layout.selectionX) {
        const double bottom = layout.level.bottom > 0 ? layout.level.bottom : plot.bottom;
        gc->SetPen(*wxTRANSPARENT_PEN);
        gc->SetBrush(wxBrush(wxColour(60, 110, 220, 60)));
        gc->DrawRectangle(layout.selectionX->first, plot.top,
                          layout.selectionX->second - layout.selectionX->first, bottom - plot.top);
    }

    // The plot's frame.
    gc->SetPen(wxPen(axisColour, 1));
    gc->SetBrush(*wxTRANSPARENT_BRUSH);
    gc->DrawRectangle(plot.left, plot.top, plotWidth, plotHeight);
    // Segment starts and marks as labelled vertical lines; labels above the plot.
    const auto rule = [&](const TimelineRule& r, const wxColour& colour, wxPenStyle style) {
        gc->SetPen(wxPen(colour, 1, style));
        // On a whole pixel: the context itself centres a one-pixel pen on it, so the line
        // stays one crisp pixel.
        const double x = std::floor(r.x);
        gc->StrokeLine(x, plot.top, x, layout.strip.bottom);
        gc->SetFont(font, colour);
        double w = 0, h = 0;
        gc->GetTextExtent(r.label, &w, &h);
        // Beside the line, or left of it where the line is near the right edge.
        const double at = x + 2 + w <= layout.width ? x + 2 : x - 2 - w;
        gc->DrawText(r.label, at, plot.top - h - 1);
    };
    for (const TimelineRule& segment : layout.segments)
        rule(segment, wxColour(120, 120, 120), wxPENSTYLE_DOT);
    for (const TimelineRule& mark : layout.marks)
        rule(mark, TimelineMarkColour(), wxPENSTYLE_SOLID);

    if (layout.playheadX) {
        gc->SetPen(wxPen(TimelinePlayheadColour(), 2));
        const double x = std::floor(*layout.playheadX) + 0.5;
        gc->StrokeLine(x, plot.top, x, layout.strip.bottom);
    }

    // Time labels.
    gc->SetFont(font, axisColour);
    for (const TimelineTick& tick : layout.timeTicks) {
        double w = 0, h = 0;
        gc->GetTextExtent(tick.label, &w, &h);
        gc->StrokeLine(tick.position, layout.strip.bottom, tick.position, layout.strip.bottom + 3);
        gc->DrawText(tick.label, tick.position - w / 2, layout.strip.bottom + 3);
    }
    if (!layout.notice.empty()) {
        gc->SetFont(font, wxColour(200, 0, 0));
        double w = 0, h = 0;
        gc->GetTextExtent(layout.notice, &w, &h);
        gc->DrawText(layout.notice, plot.right - w - 4, plot.top + 2);
    }
    if (!layout.progress.empty()) {
        gc->SetFont(font, wxColour(40, 40, 40));
        double w = 0, h = 0;
        gc->GetTextExtent(wxString::FromUTF8(layout.progress), &w, &h);
        const double x = plot.left + (plotWidth - w) / 2;
        const double y = plot.top + (plotHeight - h) / 2;
        gc->SetPen(wxPen(wxColour(160, 160, 160), 1));
        gc->SetBrush(wxBrush(wxColour(255, 255, 255)));
        gc->DrawRectangle(x - 8, y - 4, w + 16, h + 8);
        gc->DrawText(wxString::FromUTF8(layout.progress), x, y);
    }
}

}  // namespace kavrin
