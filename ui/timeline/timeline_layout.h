// The timeline pane's picture as plain data: which part of the log is visible, the scales and
// their ticks, and the lines, band, strip and labelled vertical lines in pixels. Computed from
// the log and the view state alone, so that it is checked without a window and drawn (on
// screen or into a PNG) by a separate piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/evaluation_log.h"
#include "analysis/level_envelope.h"
#include "analysis/reading_validity.h"
#include "labels/segment.h"
#include "ui/timeline/label_row_layout.h"

namespace kavrin {

// What the user chose: follow the newest evaluation, or look at a fixed stretch.
struct TimelineView {
    bool following = true;
    double spanSeconds = 60.0;  // width of the visible stretch
    double endSeconds = 0.0;    // its right edge while not following
    // Evaluations whose block was voiced less than this (or held no band energy) are no
    // reading: gaps in the curves and a grey lamp cell.
    double minVoicedShare = kDefaultMinVoicedShare;
};

inline constexpr double kMinTimelineSpan = 2.0;
inline constexpr double kMaxTimelineSpan = 48.0 * 3600.0;

struct TimelinePoint {
    double x = 0.0;
    double y = 0.0;
};
using TimelinePolyline = std::vector<TimelinePoint>;

struct TimelineTick {
    double position = 0.0;  // x for the time axis, y for the frequency axis
    std::string label;
};

// A labelled vertical line: a mark, or the start of a session segment.
struct TimelineRule {
    double x = 0.0;
    std::string label;
};

struct TimelineStripCell {
    double x1 = 0.0;
    double x2 = 0.0;
    EvaluationLamp lamp = EvaluationLamp::None;
};

// The minimum and maximum as a band: upper edge left to right, lower edge left to right.
struct TimelineBand {
    TimelinePolyline upper;
    TimelinePolyline lower;
};

// One pixel column's range of a value, top and bottom in pixels.
struct TimelineColumn {
    double x = 0.0;
    double top = 0.0;
    double bottom = 0.0;
};

struct TimelineRect {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};

// Sizes of the text the picture is drawn with, measured from the real font.
struct TimelineMetrics {
    int charWidth = 7;
    int charHeight = 14;
};

// What a reviewed recording adds to the picture: its level under the plot, the playhead and the
// selection, all in timeline seconds.
struct TimelineReviewOverlay {
    const CLevelEnvelope* envelope = nullptr;
    double envelopeStart = 0.0;  // where the recording's first sample lies on the timeline
    std::optional<double> playhead;
    std::optional<std::pair<double, double>> selection;  // from, to
    // The labelled segments, in timeline seconds (null or empty: no label row).
    const std::vector<kavrin_labels::Segment>* labels = nullptr;
    std::string progress;  // a review on its way ("Reviewing NAME: 42 %"), shown over the plot
    // The baseline's mean - sd and mean + sd in Hz: a band across the plot.
    std::optional<std::pair<double, double>> baselineHz;
};

struct TimelineLayout {
    int width = 0;
    int height = 0;
    TimelineRect plot;      // the frequency plot
    TimelineRect strip;     // the lamp strip under it
    TimelineRect level;     // the recording's level, between the two (empty without a recording)
    TimelineRect labelRow;  // the segments, above the strip (empty without segments)
    std::vector<LabelRowItem> labelItems;
    // The level strip's columns: each pixel's lowest and highest sample.
    std::vector<TimelineColumn> levelColumns;
    std::optional<double> playheadX;
    std::optional<std::pair<double, double>> selectionX;
    double fromSeconds = 0.0;
    double toSeconds = 0.0;
    std::vector<TimelineTick> timeTicks;
    std::vector<TimelineTick> frequencyTicks;
    std::vector<TimelinePolyline> inst;
    // With far more rows than columns the instantaneous frequency is drawn as each column's
    // range instead of a line (and `inst` stays empty).
    std::vector<TimelineColumn> instColumns;
    std::vector<TimelinePolyline> avg;
    std::vector<TimelinePolyline> lampReference;
    std::vector<TimelineBand> band;
    // The baseline's band across the whole plot (clipped to it).
    std::optional<TimelineRect> baseline;
    std::vector<TimelineStripCell> stripCells;
    std::vector<TimelineRule> marks;
    std::vector<TimelineRule> segments;
    std::string notice;    // rows lost, when any
    std::string progress;  // a review on its way
};

// The visible stretch [from, to] in timeline seconds for the view and the log.
void VisibleRange(const TimelineView& view, const CEvaluationLog& log, double& from, double& to);

TimelineLayout ComputeTimelineLayout(const CEvaluationLog& log, const TimelineView& view, int width,
                                     int height, const TimelineMetrics& metrics,
                                     const TimelineReviewOverlay* overlay = nullptr);

// The view that shows [from, to] whole.
TimelineView FitTimeline(double from, double to);
// The timeline second under pixel x of a layout's plot.
double TimelineSecondsAt(const TimelineLayout& layout, double x);

// The wheel: the span shrinks (factor < 1) or grows around the time under the pointer, at
// `anchor` (0 = left edge, 1 = right edge of the plot). Zooming keeps following when it was.
TimelineView ZoomTimeline(const TimelineView& view, const CEvaluationLog& log, double factor,
                          double anchor);
// A drag by `pixels` to the right over a plot `plotWidth` wide: the stretch moves back in time,
// and the view stops following.
TimelineView PanTimeline(const TimelineView& view, const CEvaluationLog& log, double pixels,
                         double plotWidth);

// "m:ss" for a time in seconds (minutes are not wrapped into hours).
std::string FormatMinutesSeconds(double seconds);
// "h:mm:ss", for axes that reach an hour.
std::string FormatHoursMinutesSeconds(double seconds);

}  // namespace kavrin
