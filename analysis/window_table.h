// The raised-cosine window of the analysis, 1 - cos(i * kWindowStep) for i = 0..16383, computed
// once with the same expression and library cosine as a per-block evaluation would use, so the
// table holds the very same doubles; and the windowing of a history with it.
#pragma once

#include <cstdint>

#include "analysis/simd_level.h"
#include "analysis/tremor_analyzer.h"

class CWindowTable {
public:
    // The 16384 window values, computed on first use.
    static const double (&Values())[CTremorAnalyzer::kHistorySize];

    // out[i] = window[i] * (gain * history[i] + offset) for every i, each step rounded to a
    // double as written, with the widest supported instruction set.
    static void Apply(const std::int16_t* history, double gain, std::int16_t offset, double* out);

    // The same with a chosen level (tests and benchmarks compare the levels); a level this
    // processor lacks falls back to the widest it has.
    static void ApplyWith(SimdLevel level, const std::int16_t* history, double gain,
                          std::int16_t offset, double* out);
};
