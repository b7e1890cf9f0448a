// A frame placed inside a work area: kept where it fits, moved back where it sticks out, shrunk
// only where it is larger than the area.
#include "ui/frame_placement.h"

#include <gtest/gtest.h>

namespace {

TEST(FramePlacement, FitsIntoTheWorkArea) {
    const wxRect area(0, 30, 1280, 770);  // a panel along the top
    const struct {
        wxRect wanted;
        wxRect fitted;
    } cases[] = {
        {{100, 100, 640, 450}, {100, 100, 640, 450}},    // inside: as it is
        {{1000, 600, 640, 450}, {640, 350, 640, 450}},   // past the right and bottom edges
        {{-200, 0, 640, 450}, {0, 30, 640, 450}},        // past the left edge and the panel
        {{50, 40, 2000, 916}, {0, 30, 1280, 770}},       // larger than the area
        {{5000, -3000, 640, 450}, {640, 30, 640, 450}},  // on a display that is gone
    };
    for (const auto& c : cases) EXPECT_EQ(kavrin::FitIntoArea(c.wanted, area), c.fitted);
}

}  // namespace
