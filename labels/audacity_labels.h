// Audacity label tracks: one label per line, start<TAB>end<TAB>text, seconds, UTF-8; a point
// label has start equal to end.
#pragma once

#include <string_view>

#include "labels/label_result.h"

namespace kavrin_labels {

// Lines beginning with '\' (a spectral label's frequency range) and empty lines are skipped.
// Fields are split at tabs; a line without a tab is split at blanks (start, end, then the
// text). A line with one number is a point label.
LabelReadResult ParseAudacityLabels(std::string_view bytes);

// Every segment of the set, in time order, the times in the shortest form that reads back to
// the same double. Tabs and line breaks inside a text become blanks (the format has no escape).
LabelWriteResult FormatAudacityLabels(const LabelSet& labels);

}  // namespace kavrin_labels
