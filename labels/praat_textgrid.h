// Praat TextGrid files. Written in the long text form, UTF-8: one interval tier whose intervals
// tile 0..xmax (stretches without a label are intervals with an empty text) and, when there are
// marks, a point tier named "marks". Read in the long and the short text form, UTF-8 or UTF-16
// with a byte-order mark.
#pragma once

#include <string>
#include <string_view>

#include "labels/label_result.h"

namespace kavrin_labels {

// Reads tier `tier`, or with an empty name the first tier. Intervals with an empty text are the
// gaps between labels and are left out; the points of a point tier become marks. Without a tier
// name, the points of a point tier named "marks" (what FormatTextGrid writes) join the first
// tier's labels. `duration` is the TextGrid's xmax.
LabelReadResult ParseTextGrid(std::string_view bytes, const std::string& tier = {});

// xmax is the set's duration, or the last end when that is later. Fails when segments of
// non-zero length overlap (an interval tier cannot hold them) or when there is nothing of any
// length to write.
LabelWriteResult FormatTextGrid(const LabelSet& labels);

}  // namespace kavrin_labels
