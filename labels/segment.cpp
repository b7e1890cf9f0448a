#include "labels/segment.h"

#include <algorithm>
#include <cmath>

#include "labels/label_text.h"

namespace kavrin_labels {

std::string CheckSegment(const Segment& segment) {
    if (!std::isfinite(segment.start) || !std::isfinite(segment.end))
        return "a time is not a finite number";
    if (segment.start < 0.0) return "a time is negative";
    if (segment.end < segment.start) return "the end lies before the start";
    if (!IsUtf8(segment.text)) return "the text is not UTF-8";
    return {};
}

void SortSegments(std::vector<Segment>& segments) {
    std::stable_sort(segments.begin(), segments.end(), [](const Segment& a, const Segment& b) {
        return a.start != b.start ? a.start < b.start : a.end < b.end;
    });
}

const std::string& TierNameOrDefault(const LabelSet& labels) {
    static const std::string kDefault = "labels";
    return labels.tier.empty() ? kDefault : labels.tier;
}

}  // namespace kavrin_labels
