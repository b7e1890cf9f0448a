#include "analysis/oscillator_table.h"

#include <cmath>

template <int GroupSize>
const COscillatorTable<GroupSize>& COscillatorTable<GroupSize>::Get() {
    static const COscillatorTable table;
    return table;
}

template <int GroupSize>
COscillatorTable<GroupSize>::COscillatorTable() {
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
            Store(i, j, t);
            Store(i, kBins + j, s);
            sb = sa;
            cb = ca;
            sa = s;
            ca = t;
        }
    }
}

template <int GroupSize>
void COscillatorTable<GroupSize>::Store(int sample, int lane, double value) {
    double* record = m_records + (sample / kGroupSize) * kRecordSize;
    const int n = sample % kGroupSize;
    if (lane >= kMainLanes)
        record[kTailRows + n * kTailLanes + lane - kMainLanes] = value;
    else if (n < 2)
        record[(n == 0 ? kMainRow0 : kMainRow1) + lane] = value;
}

template class COscillatorTable<4>;
template class COscillatorTable<8>;
