#include "ui/pane_widths.h"

#include <algorithm>

namespace kavrin {

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
    for (std::size_t i = 0; i < panes.size(); ++i) {
        const PaneWish& pane = panes[i];
        const long long asked = std::max(pane.wanted, pane.least);
        long long width;
        if (total <= least)
            width = least > 0 ? pane.least * static_cast<long long>(std::max(total, 0)) / least : 0;
        else if (total < wanted)
            width = pane.least + (asked - pane.least) * (total - least) / (wanted - least);
        else
            width = asked + (shares > 0 ? (total - wanted) * pane.share / shares : 0);
        widths[i] = static_cast<int>(std::max<long long>(width, 1));
    }
    return widths;
}

}  // namespace kavrin
