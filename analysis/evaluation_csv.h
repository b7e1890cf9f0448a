// One row of kavrin-analyze's output: the results of one evaluation, and how rows are written.
#pragma once

#include <cstdint>
#include <string>

#include "analysis/signal_quality.h"
#include "analysis/tremor_analyzer.h"

namespace kavrin_analyze {

struct EvaluationRow {
    std::uint64_t block = 0;
    double timeSeconds = 0.0;
    double instFreq = 0.0;
    double avgFreq = 0.0;
    double minFreq = 0.0;
    double maxFreq = 0.0;
    std::uint32_t threshold = 0;
    double magnitude = 0.0;
    double avgMagnitude = 0.0;
    std::int32_t underThreshold = 0;
    double bins[CTremorAnalyzer::kBandBinCount] = {};
    // Of the block the evaluation's cycle shifted in; filled only when asked for.
    SignalQuality quality;
};

// Reads the results of the evaluation that just ran (and, with bins, the nine band magnitudes
// the spectrum bars would be drawn from at this moment).
EvaluationRow CaptureRow(CTremorAnalyzer& analyzer, std::uint64_t block, double timeSeconds,
                         bool withBins);

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
