#include "ui/pane_widths.h"

#include <algorithm>

namespace kavrin {

namespace {

long long Clamped(long long cap, const PaneWish& pane) {
    return std::clamp<long long>(cap, pane.least, std::max(pane.wanted, pane.least));
}

// The widest cap at which the panes, each given the cap within its least and wanted widths,
// take no more than `total`.
long long FairCap(const std::vector<PaneWish>& panes, long long total) {
    long long low = 0;
    long long high = total;
    while (low < high) {
        const long long cap = (low + high + 1) / 2;
        long long sum = 0;
        for (const PaneWish& pane : panes) sum += Clamped(cap, pane);
        if (sum <= total)
            low = cap;
        else
            high = cap - 1;
    }
    return low;
}

}  // namespace

std::vector<int> FitPaneWidths(const std::vector<PaneWish>& panes, int total) {
    std::vector<int> widths(panes.size(), 0);
    long long least = 0;
    long long wanted = 0;
    int shares = 0;
    for (const PaneWish& pane : panes) {
        least += pane.least;
        wanted += std::max(pane.wanted, pane.least);
        shares += pane.share;
    }
    const long long cap = least < total && total < wanted ? FairCap(panes, total) : 0;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        const PaneWish& pane = panes[i];
        const long long asked = std::max(pane.wanted, pane.least);
        long long width;
        if (total <= least)
            width = least > 0 ? pane.least * static_cast<long long>(std::max(total, 0)) / least : 0;
        else if (total < wanted)
            width = Clamped(cap, pane);
        else
            width = asked + (shares > 0 ? (total - wanted) * pane.share / shares : 0);
        widths[i] = static_cast<int>(std::max<long long>(width, 1));
    }
    return widths;
}

}  // namespace kavrin
