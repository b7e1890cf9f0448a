// How the status bar's panes share its width: each pane asks for a width (its text's, or a fixed
// one) and has a least width it keeps. When every wish fits, the panes that take a share of the
// rest grow by their shares; when not, no pane is wider than a common cap (but none narrower than
// its least width), so that short texts stay whole, long ones share alike, and none vanishes.
#pragma once

#include <vector>

namespace kavrin {

struct PaneWish {
    int wanted = 0;
    int least = 0;
    // Parts of the width left over once every wish is met (0: none).
    int share = 0;
};

// The width of each pane for `total` pixels. When even the least widths do not fit, each pane
// gets its part of `total` in proportion to its least width (at least 1 pixel).
std::vector<int> FitPaneWidths(const std::vector<PaneWish>& panes, int total);

}  // namespace kavrin
