#include "analysis/oscillator_table.h"

#include <cmath>

const COscillatorTable& COscillatorTable::Get() {
    static const COscillatorTable table;
    return table;
}

namespace {

void Store(double* record, int phase, int lane, double value) {
    constexpr int kMain = COscillatorTable::kMainLanes;
    if (lane < kMain)
        record[(phase == 0 ? COscillatorTable::kMainRow0 : COscillatorTable::kMainRow1) + lane] =
            value;
    else
        record[(phase == 0 ? COscillatorTable::kTailRow0 : COscillatorTable::kTailRow1) + lane -
               kMain] = value;
}

}  // namespace

COscillatorTable::COscillatorTable() {
    constexpr int kBins = CTremorAnalyzer::kBandBinCount;
    for (int j = 0; j < kBins; ++j) {
        int k = BandBin(j) & 0xFFFF;
        // Keep the bin opaque to the compiler: with a known bin it may evaluate the sines and
        // cosines at compile time, correctly rounded, where BinMagnitude gets the run-time
        // library's values.
        asm("" : "+r"(k));
        // The seeds and the recurrence exactly as BinMagnitude forms them.
        const double w = k * CTremorAnalyzer::kBinStep;
        const double q = 2.0 * std::cos(w);
        double sa = std::sin(-w);
        double ca = std::cos(-w);
        double sb = std::sin(-2.0 * w);
        double cb = std::cos(-2.0 * w);
        m_multipliers[j] = q;
        m_multipliers[kBins + j] = q;
        for (int i = 0; i < CTremorAnalyzer::kHistorySize; ++i) {
            const double s = q * sa - sb;
            const double t = q * ca - cb;
            const int phase = i % kGroupSize;
            if (phase < 2) {
                double* record = m_records + (i / kGroupSize) * kRecordSize;
                Store(record, phase, j, t);
                Store(record, phase, kBins + j, s);
            }
            sb = sa;
            cb = ca;
            sa = s;
            ca = t;
        }
    }
}
