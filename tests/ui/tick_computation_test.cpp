// The display tick's computation: lamp reference by mode and source, lamp colour, marker and bar
// coordinates, bounds on wild inputs.
#include "ui/tick_computation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/dialog_text.h"

namespace kavrin {
namespace {

TickInputs Inputs(bool live, bool file) {
    TickInputs in;
    in.volumeAdjust = 10;
    in.thresholdAdjust = 75;
    in.lineOn = live;
    in.fileOn = file;
    in.instMarker = {0, 0, 300, 10};
    in.avgMarker = {0, 0, 300, 10};
    in.spectrum = {0, 0, 300, 120};
    in.lamp = {0, 0, 70, 80};
    return in;
}

void SetMode(TickInputs& in, int mode) {
    in.modeAvgRelative = mode == 0;
    in.modeFixedRange = mode == 1;
    in.modeFixedFreq = mode == 2;
}

constexpr int kAvgRelative = 0;
constexpr int kFixedRange = 1;
constexpr int kFixedFreq = 2;

std::int32_t Reference(TickInputs in) {
    return ComputeTick(in).lampThreshold.value();
}

TEST(TickComputation, FixedFreqFromTheThresholdAdjustForEitherSource) {
    for (const bool file : {false, true}) {
        TickInputs in = Inputs(!file, file);
        SetMode(in, kFixedFreq);
        in.thresholdAdjust = 75;
        EXPECT_EQ(Reference(in), 30);
        in.thresholdAdjust = -3;
        EXPECT_EQ(Reference(in), -1);
        in.thresholdAdjust = 100;
        EXPECT_EQ(Reference(in), 40);
        in.thresholdAdjust = 0;
        EXPECT_EQ(Reference(in), 0);
    }
}

TEST(TickComputation, AvgRelativeSubtractsForLiveAndAddsForFile) {
    TickInputs live = Inputs(true, false);
    SetMode(live, kAvgRelative);
    live.live.avgFreq = 20.7;
    EXPECT_EQ(Reference(live), 8);
    live.live.avgFreq = 3.5;
    EXPECT_EQ(Reference(live), -8);

    TickInputs file = Inputs(false, true);
    SetMode(file, kAvgRelative);
    file.file.avgFreq = 20.7;
    EXPECT_EQ(Reference(file), 32);
}

TEST(TickComputation, FixedRangeFromTheAnalyzersThreshold) {
    TickInputs live = Inputs(true, false);
    SetMode(live, kFixedRange);
    live.live.threshold = 25;
    EXPECT_EQ(Reference(live), 13);
    live.live.threshold = 5;
    EXPECT_EQ(Reference(live), -7);
    TickInputs file = Inputs(false, true);
    SetMode(file, kFixedRange);
    file.file.threshold = 25;
    EXPECT_EQ(Reference(file), 37);
}

TEST(TickComputation, AdjustNearTheCentreAddsNothing) {
    for (const int adj : {49, 50, 51}) {
        TickInputs in = Inputs(true, false);
        in.thresholdAdjust = adj;
        in.live.avgFreq = 17.9;
        in.live.threshold = 23;
        SetMode(in, kAvgRelative);
        EXPECT_EQ(Reference(in), 17) << adj;
        SetMode(in, kFixedRange);
        EXPECT_EQ(Reference(in), 23) << adj;
    }
    TickInputs in = Inputs(true, false);
    in.thresholdAdjust = 48;
    in.live.threshold = 23;
    SetMode(in, kFixedRange);
    EXPECT_EQ(Reference(in), 24);  // d = -1, subtracted
}

TEST(TickComputation, LampColours) {
    struct Case {
        int adj;  // Fixed freq.: reference (4 x adj) / 10
        double inst;
        LampColour colour;
    };
    // r = 19, 20, 24, 25, 25 from adj 48, 50, 60, 63, 63.
    const Case cases[] = {{48, 19.5, LampColour::Red},
                          {50, 20.0, LampColour::Yellow},
                          {60, 19.5, LampColour::Yellow},
                          {63, 20.0, LampColour::Green},
                          {63, 20.1, LampColour::Yellow}};
    for (const Case& c : cases) {
        TickInputs in = Inputs(true, false);
        in.thresholdAdjust = c.adj;
        in.live.instFreq = c.inst;
        const TickResult result = ComputeTick(in);
        ASSERT_TRUE(result.lamp.has_value());
        EXPECT_EQ(*result.lamp, c.colour) << "r " << *result.lampThreshold << " inst " << c.inst;
    }
}

TEST(TickComputation, EmptyBandMakesTheLampRedAndTheMarkerLeave) {
    TickInputs in = Inputs(false, true);
    in.file.instFreq = 65535.0;
    const TickResult result = ComputeTick(in);
    EXPECT_EQ(*result.lamp, LampColour::Red);
    EXPECT_GT(result.instMarker->x1, 300);
}

TEST(TickComputation, BarsStandAtTheirBinsOnAThreeHundredPixelControl) {
    TickInputs in = Inputs(true, false);
    const TickResult result = ComputeTick(in);
    ASSERT_EQ(result.barCount, 9);
    const int expected[] = {5, 41, 77, 113, 149, 185, 221, 257, 293};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(result.bars[i].x1, expected[i]);
        EXPECT_EQ(result.bars[i].x2, expected[i]);
        EXPECT_EQ(result.bars[i].y1, 120);
    }
}

TEST(TickComputation, BarHeightsScaleWithVolumeAndSource) {
    TickInputs in = Inputs(true, false);
    in.live.bins[4] = 50000.0;
    in.volumeAdjust = 10;
    EXPECT_EQ(ComputeTick(in).bars[4].y2, 120 - 55);  // 50000 x 11 x 0.0001
    in.volumeAdjust = -1;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(ComputeTick(in).bars[i].y2, 120);  // zero length
    in.volumeAdjust = -3;
    EXPECT_EQ(ComputeTick(in).bars[4].y2, 130);  // below -1 the stroke runs downward
    TickInputs file = Inputs(false, true);
    file.file.bins[4] = 50000.0;
    EXPECT_EQ(ComputeTick(file).bars[4].y2, 120 - 11);  // 50000 x 11 x 0.00002
}

TEST(TickComputation, MarkersAtTheEdgesAndTheMiddle) {
    TickInputs in = Inputs(true, false);
    in.live.instFreq = 0.0;
    in.live.avgFreq = 40.0;
    TickResult result = ComputeTick(in);
    EXPECT_EQ(result.instMarker->x1, 0);
    EXPECT_EQ(result.instMarker->x2, 5);
    EXPECT_EQ(result.instMarker->y1, 5);
    EXPECT_EQ(result.avgMarker->x1, 300);
    in.live.instFreq = 20.0;
    result = ComputeTick(in);
    EXPECT_EQ(result.instMarker->x1, 150);
    EXPECT_EQ(result.instMarker->x2, 155);
}

TEST(TickComputation, BothSourcesDrawEighteenBarsAndTheFileLeads) {
    TickInputs in = Inputs(true, true);
    in.live.instFreq = 10.0;
    in.file.instFreq = 30.0;
    in.file.avgFreq = 12.0;
    SetMode(in, kAvgRelative);
    const TickResult result = ComputeTick(in);
    EXPECT_EQ(result.barCount, 18);
    EXPECT_EQ(result.instMarker->x1, 225);
    EXPECT_EQ(*result.lampThreshold, 24);  // trunc(12 + 12)
}

TEST(TickComputation, ToneModeShowsTheLiveSource) {
    TickInputs in = Inputs(false, false);
    in.toneMode = true;
    EXPECT_TRUE(ComputeTick(in).liveShown);
    EXPECT_EQ(ComputeTick(in).barCount, 9);
}

TEST(TickComputation, NoSourceDrawsNothingAndKeepsTheReference) {
    TickInputs in = Inputs(false, false);
    const TickResult result = ComputeTick(in);
    EXPECT_FALSE(result.liveShown);
    EXPECT_FALSE(result.fileShown);
    EXPECT_EQ(result.barCount, 0);
    EXPECT_FALSE(result.lampThreshold.has_value());
    EXPECT_FALSE(result.instMarker.has_value());
    EXPECT_FALSE(result.avgMarker.has_value());
    EXPECT_FALSE(result.lamp.has_value());
    EXPECT_EQ(result.volumeAdjust, 10);
}

TEST(TickComputation, WildInputsAreBoundedWithoutOverflow) {
    TickInputs in = Inputs(true, true);
    in.thresholdAdjust = std::numeric_limits<std::int32_t>::max();
    in.volumeAdjust = std::numeric_limits<std::int32_t>::min();
    in.live.bins[0] = 1e300;
    in.file.bins[1] = std::numeric_limits<double>::infinity();
    in.file.bins[2] = std::nan("");
    in.file.instFreq = std::nan("");
    in.file.avgFreq = -1e308;
    in.file.threshold = std::numeric_limits<std::uint32_t>::max();
    for (int mode : {kAvgRelative, kFixedRange, kFixedFreq}) {
        SetMode(in, mode);
        const TickResult result = ComputeTick(in);
        EXPECT_EQ(result.volumeAdjust, -kAdjustBound);
        EXPECT_TRUE(result.lamp.has_value());
    }
    SetMode(in, kFixedFreq);
    EXPECT_EQ(*ComputeTick(in).lampThreshold, 400000);
    EXPECT_EQ(LampPreset(std::numeric_limits<std::int32_t>::min()), -400000);
    EXPECT_EQ(TruncateSaturating(std::nan("")), 0);
    EXPECT_EQ(TruncateSaturating(-2.7), -2);
}

}  // namespace
}  // namespace kavrin
