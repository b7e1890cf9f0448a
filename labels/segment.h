// Labelled stretches of a recording: a segment is an interval with a text, a mark is a segment
// of no length. Times are seconds of the recording, so labels made elsewhere on the same
// recording line up.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kavrin_labels {

struct Segment {
    double start = 0.0;  // seconds
    double end = 0.0;    // seconds, never before start
    std::string text;    // UTF-8
    bool IsMark() const { return end == start; }
    bool operator==(const Segment&) const = default;
};

// One tier of labels.
struct LabelSet {
    std::string tier;               // the tier's name (TextGrid, EAF); empty: "labels" on writing
    std::vector<Segment> segments;  // in time order after SortSegments
    double duration = 0.0;          // the recording's length when the file says it, else 0
    std::string media;              // the recording as the file names it (EAF), else empty
    // The stretch the user took as the speaker's baseline (sidecar only; its text unused).
    std::optional<Segment> baseline;
};

// Empty, or why the segment cannot be kept (times not finite, negative, end before start,
// text not UTF-8).
std::string CheckSegment(const Segment& segment);

// By start, then end; segments with equal times keep their order.
void SortSegments(std::vector<Segment>& segments);

// The name written for a tier without one.
const std::string& TierNameOrDefault(const LabelSet& labels);

}  // namespace kavrin_labels
