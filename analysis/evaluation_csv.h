// How evaluation rows are written as CSV: kavrin-analyze's output, the timeline's export and
// the evaluation log all write through here.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/evaluation_row.h"

namespace kavrin_analyze {

// With quality, level_dbfs,clipped,voiced_share,f0_hz follow (after the bins).
std::string CsvHeader(bool withBins, bool withQuality = false);

// The row as CSV, ending in a newline. The file name is quoted when it needs to be. The quality
// columns leave level_dbfs empty for digital silence and f0_hz empty when nothing was voiced.
std::string FormatRow(const std::string& file, const EvaluationRow& row, bool withBins,
                      bool withQuality = false);

// The shortest text that reads back to the same double.
std::string FormatDouble(double value);

std::string QuoteCsvField(const std::string& field);

}  // namespace kavrin_analyze
