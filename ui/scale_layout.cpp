#include "ui/scale_layout.h"

#include <sstream>

#include "ui/tick_computation.h"

namespace kavrin {
namespace {

// The marker constants of the display tick.
constexpr double kMarkerScale = 0.025;
constexpr double kMarkerLength = 5.0;
constexpr double kIndexRange = 40.0;

}  // namespace

std::vector<std::string> ScaleLabels(const std::string& scaleText) {
    std::istringstream words(scaleText);
    std::vector<std::string> labels;
    for (std::string word; words >> word;) labels.push_back(word);
    return labels;
}

double ScaleLabelCentre(int k, int count, int markerWidth) {
    const double index = count > 1 ? kIndexRange * k / (count - 1) : 0.0;
    const double position = markerWidth * (index * kMarkerScale);
    const int x1 = TruncateSaturating(position);
    const int x2 = TruncateSaturating(position + kMarkerLength);
    return (x1 + x2) / 2.0;
}

}  // namespace kavrin
