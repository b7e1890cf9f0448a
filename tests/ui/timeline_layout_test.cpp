// The timeline's layout without a window: the visible stretch while following and after zoom
// and pan, the scales and their labels, lines broken where the band has no energy and between
// segments, one point per pixel column however many rows, marks, segments and the lamp strip.
#include "ui/timeline/timeline_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "analysis/evaluation_log.h"

namespace {

using namespace kavrin;

EvaluationRow Row(double seconds, double inst, std::uint32_t session = 1,
                  EvaluationLamp lamp = EvaluationLamp::Green) {
    EvaluationRow row;
    row.session = session;
    row.timeSeconds = seconds;
    row.instFreq = inst;
    row.avgFreq = 20.0;
    row.minFreq = 10.0;
    row.maxFreq = 30.0;
    row.lamp = lamp;
    row.lampReference = 25;
    return row;
}

// Rows every 4096 / 11025 s for `seconds` seconds.
std::unique_ptr<CEvaluationLog> SteadyLog(double seconds, double inst = 20.0) {
    auto log = std::make_unique<CEvaluationLog>();
    const double step = 4096.0 / 11025.0;
    for (double t = step; t <= seconds; t += step) log->Append(0, Row(t, inst));
    return log;
}

const TimelineMetrics kMetrics{7, 14};

TEST(TimelineLayout, FollowsTheNewestEvaluationWithItsScales) {
    auto log = SteadyLog(300.0);
    TimelineView view;
    const TimelineLayout layout = ComputeTimelineLayout(*log, view, 800, 240, kMetrics);
    EXPECT_DOUBLE_EQ(layout.toSeconds, log->EndSeconds());
    EXPECT_DOUBLE_EQ(layout.fromSeconds, log->EndSeconds() - 60.0);

    // 8.0 .. 12.0 Hz from the bottom of the plot to its top, every 0.5 Hz.
    ASSERT_EQ(layout.frequencyTicks.size(), 9u);
    EXPECT_EQ(layout.frequencyTicks.front().label, "8.0");
    EXPECT_EQ(layout.frequencyTicks.back().label, "12.0");
    EXPECT_DOUBLE_EQ(layout.frequencyTicks.front().position, layout.plot.bottom);
    EXPECT_DOUBLE_EQ(layout.frequencyTicks.back().position, layout.plot.top);
    EXPECT_LT(layout.plot.bottom, layout.strip.top) << "the strip lies under the plot";

    // Time labels in m:ss at whole steps, inside the plot.
    ASSERT_GE(layout.timeTicks.size(), 3u);
    for (const TimelineTick& tick : layout.timeTicks) {
        EXPECT_GE(tick.position, layout.plot.left - 1e-9);
        EXPECT_LE(tick.position, layout.plot.right + 1e-9);
        EXPECT_NE(tick.label.find(':'), std::string::npos);
    }
    EXPECT_EQ(FormatMinutesSeconds(75.4), "1:15");
    EXPECT_EQ(FormatMinutesSeconds(3600.0), "60:00");
    EXPECT_EQ(FormatMinutesSeconds(-3.0), "0:00");

    // The steady tone: a flat red line at 10.0 Hz ending at the right edge.
    ASSERT_EQ(layout.inst.size(), 1u);
    const double middle = (layout.plot.top + layout.plot.bottom) / 2;
    for (const TimelinePoint& p : layout.inst.front()) EXPECT_DOUBLE_EQ(p.y, middle);
    EXPECT_NEAR(layout.inst.front().back().x, layout.plot.right, 1.0);
    EXPECT_EQ(layout.lampReference.size(), 1u);
    EXPECT_EQ(layout.band.size(), 1u);
}

// No reading (a band without energy, or a block voiced less than the user's threshold) is a
// gap in every curve and a grey lamp cell; a new segment breaks the lines too.
TEST(TimelineLayout, NoReadingIsAGapAndAGreyCellAndSegmentsBreakLines) {
    struct Case {
        double inst;
        double voicedShare;
        double minVoicedShare;
        std::size_t lines;  // per curve: before the gap, after it, and the second segment
    } const cases[] = {
        {65535.0, 1.0, kDefaultMinVoicedShare, 3},  // no signal
        {20.0, 0.0, kDefaultMinVoicedShare, 3},     // no speech
        {20.0, 0.3, 0.5, 3},                        // voiced less than the user asks
        {20.0, 0.3, kDefaultMinVoicedShare, 2},     // a reading
    };
    for (const Case& c : cases) {
        auto log = std::make_unique<CEvaluationLog>();
        for (int i = 1; i <= 10; ++i) {
            EvaluationRow row = Row(i, i == 5 ? c.inst : 20.0);
            row.quality.voicedShare = i == 5 ? c.voicedShare : 1.0;
            log->Append(0, row);
        }
        for (int i = 1; i <= 10; ++i) log->Append(0, Row(i, 22.0, 2));
        ASSERT_EQ(log->Segments().size(), 2u);
        TimelineView view;
        view.minVoicedShare = c.minVoicedShare;
        const TimelineLayout layout = ComputeTimelineLayout(*log, view, 800, 240, kMetrics);
        EXPECT_EQ(layout.inst.size(), c.lines) << c.inst << " " << c.voicedShare;
        EXPECT_EQ(layout.avg.size(), c.lines) << c.inst << " " << c.voicedShare;
        const bool grey =
            std::any_of(layout.stripCells.begin(), layout.stripCells.end(),
                        [](const auto& cell) { return cell.lamp == EvaluationLamp::None; });
        EXPECT_EQ(grey, c.lines == 3) << c.inst << " " << c.voicedShare;
        ASSERT_EQ(layout.segments.size(), 2u);
        EXPECT_EQ(layout.segments[0].label, "Line");
        EXPECT_LT(layout.segments[0].x, layout.segments[1].x);
    }
}

TEST(TimelineLayout, ADayOfRowsGivesOnePointPerPixelColumn) {
    auto log = SteadyLog(24 * 3600.0);
    ASSERT_GT(log->Rows().size(), 232000u);
    TimelineView view;
    view.spanSeconds = 24 * 3600.0;
    const TimelineLayout layout = ComputeTimelineLayout(*log, view, 1000, 240, kMetrics);
    // The instantaneous frequency as each column's range, the others one point per column.
    EXPECT_TRUE(layout.inst.empty());
    const double columns = layout.plot.right - layout.plot.left;
    EXPECT_LE(layout.instColumns.size(), columns + 3);
    EXPECT_GE(layout.instColumns.size(), columns - 3);
    ASSERT_EQ(layout.avg.size(), 1u);
    EXPECT_LE(layout.avg.front().size(), columns + 3);
    EXPECT_LE(layout.band.front().upper.size(), columns + 3);
    EXPECT_LE(layout.stripCells.size(), 2u) << "one lamp colour throughout";
}

TEST(TimelineLayout, ZoomPanAndFollow) {
    auto log = SteadyLog(600.0);
    TimelineView view;
    // Zooming while following keeps following the newest row.
    TimelineView zoomed = ZoomTimeline(view, *log, 0.5, 0.3);
    EXPECT_TRUE(zoomed.following);
    EXPECT_DOUBLE_EQ(zoomed.spanSeconds, 30.0);

    // A drag to the right looks back in time and stops following.
    const TimelineView panned = PanTimeline(view, *log, 100.0, 400.0);
    EXPECT_FALSE(panned.following);
    EXPECT_DOUBLE_EQ(panned.endSeconds, log->EndSeconds() - 15.0);
    // Rows keep arriving: the stretch stays where the user put it.
    log->Append(0, Row(700.0, 20.0));
    double from = 0, to = 0;
    VisibleRange(panned, *log, from, to);
    EXPECT_DOUBLE_EQ(to, panned.endSeconds);

    // Zooming a fixed stretch keeps the time under the pointer where it is.
    const TimelineView closer = ZoomTimeline(panned, *log, 0.5, 0.25);
    double from2 = 0, to2 = 0;
    VisibleRange(closer, *log, from2, to2);
    EXPECT_DOUBLE_EQ(from + (to - from) * 0.25, from2 + (to2 - from2) * 0.25);
    EXPECT_DOUBLE_EQ(to2 - from2, 30.0);
    // The span stays within its bounds.
    EXPECT_DOUBLE_EQ(ZoomTimeline(view, *log, 1e-9, 0.5).spanSeconds, kMinTimelineSpan);
}

TEST(TimelineLayout, MarksAndTheLampStrip) {
    auto log = std::make_unique<CEvaluationLog>();
    for (int i = 1; i <= 30; ++i)
        log->Append(0, Row(i, 20.0, 1, i <= 10 ? EvaluationLamp::Green : EvaluationLamp::Red));
    log->AddMark();
    const TimelineLayout layout = ComputeTimelineLayout(*log, TimelineView{}, 800, 240, kMetrics);
    ASSERT_EQ(layout.marks.size(), 1u);
    EXPECT_EQ(layout.marks[0].label, "1");
    EXPECT_NEAR(layout.marks[0].x, layout.inst.front().back().x, 1e-9);
    ASSERT_EQ(layout.stripCells.size(), 2u);
    EXPECT_EQ(layout.stripCells[0].lamp, EvaluationLamp::Green);
    EXPECT_EQ(layout.stripCells[1].lamp, EvaluationLamp::Red);
    EXPECT_DOUBLE_EQ(layout.stripCells[0].x2, layout.stripCells[1].x1);
    EXPECT_TRUE(layout.notice.empty());
}

}  // namespace
