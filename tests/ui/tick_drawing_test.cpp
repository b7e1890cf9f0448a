// Drawing a computed tick off-screen: white surfaces of the controls' sizes, the pens' colours
// where the strokes go, the lamp's fill inside its outline.
#include "ui/tick_drawing.h"

#include <gtest/gtest.h>
#include <wx/image.h>

namespace kavrin {
namespace {

wxColour Pixel(const wxBitmap& bitmap, int x, int y) {
    const wxImage image = bitmap.ConvertToImage();
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

TickInputs Inputs() {
    TickInputs in;
    in.volumeAdjust = 10;
    in.thresholdAdjust = 75;
    in.lineOn = true;
    in.instMarker = {0, 0, 300, 12};
    in.avgMarker = {0, 0, 300, 12};
    in.spectrum = {0, 0, 320, 120};
    in.lamp = {0, 0, 70, 80};
    in.live.instFreq = 20.0;
    in.live.avgFreq = 30.0;
    in.live.bins[4] = 50000.0;
    return in;
}

TEST(TickDrawing, DrawsEachPictureAtItsControlsSize) {
    const TickInputs in = Inputs();
    const TickResult result = ComputeTick(in);
    const TickPictures pictures = DrawTick(in, result);
    EXPECT_EQ(pictures.instMarker.GetSize(), wxSize(300, 12));
    EXPECT_EQ(pictures.spectrum.GetSize(), wxSize(320, 120));
    EXPECT_EQ(pictures.lamp.GetSize(), wxSize(70, 80));

    EXPECT_EQ(Pixel(pictures.instMarker, 152, 6), InstMarkerColour());
    EXPECT_EQ(Pixel(pictures.instMarker, 100, 6), *wxWHITE);
    EXPECT_EQ(Pixel(pictures.avgMarker, 227, 6), AvgMarkerColour());
    // The 10 Hz bar: 55 pixels high at x = 5 + 24 x 320 / 50 = 158.
    EXPECT_EQ(Pixel(pictures.spectrum, 158, 119), BarColour());
    EXPECT_EQ(Pixel(pictures.spectrum, 158, 70), BarColour());
    EXPECT_EQ(Pixel(pictures.spectrum, 158, 55), *wxWHITE);
    EXPECT_EQ(Pixel(pictures.spectrum, 100, 119), *wxWHITE);
    // Reference 30 is at least inst + 5: green, outlined in black, white outside.
    EXPECT_EQ(Pixel(pictures.lamp, 35, 40), wxColour(0, 255, 0));
    EXPECT_EQ(Pixel(pictures.lamp, 0, 0), *wxWHITE);
    EXPECT_EQ(Pixel(pictures.lamp, 0, 40), *wxBLACK);
}

TEST(TickDrawing, LampColoursAreTheDisplays) {
    EXPECT_EQ(LampColourValue(LampColour::Red), wxColour(242, 18, 13));
    EXPECT_EQ(LampColourValue(LampColour::Yellow), wxColour(255, 255, 0));
    EXPECT_EQ(LampColourValue(LampColour::Green), wxColour(0, 255, 0));
    EXPECT_EQ(InstMarkerColour(), wxColour(225, 0, 0));
}

TEST(TickDrawing, FarCoordinatesAndEmptyControlsAreHarmless) {
    TickInputs in = Inputs();
    in.live.instFreq = 65535.0;
    in.live.bins[0] = 1e300;
    in.volumeAdjust = -1000000;
    in.avgMarker = {0, 0, 0, 0};
    const TickPictures pictures = DrawTick(in, ComputeTick(in));
    EXPECT_FALSE(pictures.avgMarker.IsOk());
    for (int x = 0; x < 300; x += 7) EXPECT_EQ(Pixel(pictures.instMarker, x, 6), *wxWHITE);
}

}  // namespace
}  // namespace kavrin
