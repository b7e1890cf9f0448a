// A personal baseline: the readings of a stretch the user chose as the speaker's calm speech,
// and each segment's distance from it. Readings compare with the same speaker's own, never
// with a norm.
#pragma once

#include <cmath>
#include <limits>
#include <optional>

#include "labels/segment_statistics.h"

namespace kavrin_labels {

struct Baseline {
    Segment segment;  // where it was taken
    double meanHz = 0.0;
    double sdHz = 0.0;
    double redShare = 0.0;
    double yellowShare = 0.0;
    double greenShare = 0.0;
};

// None without two readings in the segment: a spread needs two.
inline std::optional<Baseline> BaselineOf(const SegmentStatistics& s) {
    if (s.readings < 2 || !std::isfinite(s.instSdHz)) return std::nullopt;
    return Baseline{s.segment, s.instMeanHz, s.instSdHz, s.redShare, s.yellowShare, s.greenShare};
}

// Difference of the segment's mean from the baseline's, in Hz and in baseline standard
// deviations (NaN where either is missing, or the baseline has no spread).
inline double DeviationHz(const SegmentStatistics& s, const Baseline& baseline) {
    return s.readings == 0 ? std::numeric_limits<double>::quiet_NaN()
                           : s.instMeanHz - baseline.meanHz;
}
inline double DeviationSd(const SegmentStatistics& s, const Baseline& baseline) {
    return baseline.sdHz > 0.0 ? DeviationHz(s, baseline) / baseline.sdHz
                               : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace kavrin_labels
