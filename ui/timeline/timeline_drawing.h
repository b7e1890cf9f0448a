// The drawing of the timeline's layout: antialiased, off-screen into a bitmap of the layout's
// size, the same for the pane and for the PNG export; or onto any graphics context (the report's
// PDF page), in the layout's pixels as that context's units.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/font.h>
#include <wx/graphics.h>

#include "ui/timeline/timeline_layout.h"

namespace kavrin {

wxColour TimelineInstColour();      // the instantaneous marker's red
wxColour TimelineAvgColour();       // a green that reads on white
wxColour TimelineBandColour();      // the light band of minimum and maximum
wxColour TimelineMarkColour();      // marks
wxColour TimelineSegmentColour();   // the edges of labelled segments
wxColour TimelineLevelColour();     // the recording's level
wxColour TimelinePlayheadColour();  // the playhead, an orange no curve uses
wxColour TimelineLampColour(EvaluationLamp lamp);

// A bitmap of layout.width x layout.height; an empty layout gives an invalid bitmap.
wxBitmap DrawTimeline(const TimelineLayout& layout, const wxFont& font);
// The same picture onto `context` (white background not painted).
void DrawTimelineOn(wxGraphicsContext& context, const TimelineLayout& layout, const wxFont& font);

}  // namespace kavrin
