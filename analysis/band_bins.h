// The nine band bins (95, 101, ..., 143) in one pass over the windowed history. Each bin's
// result is identical, to the bit, to BinMagnitude's: every lane performs BinMagnitude's
// multiply-subtract, multiply and add steps in the same order, only the nine bins' independent
// recurrences run side by side (vector lanes) and the data-independent oscillator values come
// from COscillatorTable.
#pragma once

#include "analysis/simd_level.h"
#include "analysis/tremor_analyzer.h"

class CBandBins {
public:
    // magnitudes[j] = magnitude of bin 95 + 6 j of the 16384 windowed values, with the widest
    // supported instruction set.
    static void Evaluate(const double* windowed,
                         double (&magnitudes)[CTremorAnalyzer::kBandBinCount]);

    // The same with a chosen level (tests and benchmarks compare the levels); a level this
    // processor lacks falls back to the widest it has.
    static void EvaluateWith(SimdLevel level, const double* windowed,
                             double (&magnitudes)[CTremorAnalyzer::kBandBinCount]);
};
