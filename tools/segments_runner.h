// kavrin-analyze --segments: the statistics of each labelled segment of one recording.
#pragma once

#include <cstdio>

#include "tools/analyze_options.h"

namespace kavrin_analyze {

// Reads the labels, analyses the one file as a plain run would, and writes the statistics CSV
// to `out`. Returns the exit status: 0, or 1 when the labels or the file could not be read (one
// line on standard error).
int RunSegments(const Options& options, std::FILE* out);

}  // namespace kavrin_analyze
