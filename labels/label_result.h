// What a reader gives back: the labels, or the reason the file could not be read.
#pragma once

#include <string>

#include "labels/segment.h"

namespace kavrin_labels {

struct LabelReadResult {
    LabelSet labels;
    std::string error;  // empty when the file was read; else "line N: ..." where a line is known
};

// What a writer gives back: the file's bytes, or why the labels cannot be written in the format.
struct LabelWriteResult {
    std::string bytes;
    std::string error;
};

}  // namespace kavrin_labels
