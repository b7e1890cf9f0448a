// The band bins' oscillator values, tabulated once. BinMagnitude runs, for each bin, a
// second-order oscillator whose values do not depend on the data: the same doubles come out on
// every block. The fused band pass reads them from here instead of running 18 recurrences per
// sample.
//
// A full table (9 bins x 16384 samples x sine and cosine, 2.3 MB) outgrows the processor's
// second-level cache and then costs more to stream than to compute. So for 16 of the 18
// oscillators only the first two values of every group of GroupSize consecutive samples are
// stored; the others follow from them by the recurrence itself (next = q * previous - one
// before), which is the very operation the oscillator performs and so yields the very same
// doubles. The remaining two oscillators are stored in full, in room that would otherwise be
// padding or take a vector operation of their own. Larger groups trade memory for arithmetic;
// which size is faster depends on the vector width.
//
// Lanes: lane j (0..8) is the cosine oscillator of band bin j (it feeds the real part), lane
// 9 + j its sine oscillator (the imaginary part). Lanes 0..15 (the main lanes) fill whole
// vectors of every width; lanes 16 and 17 (the tail) form one pair.
#pragma once

#include "analysis/tremor_analyzer.h"

template <int GroupSize>
class COscillatorTable {
public:
    static constexpr int kLaneCount = 2 * CTremorAnalyzer::kBandBinCount;
    static constexpr int kMainLanes = 16;
    static constexpr int kTailLanes = kLaneCount - kMainLanes;
    static constexpr int kGroupSize = GroupSize;
    static constexpr int kGroupCount = CTremorAnalyzer::kHistorySize / kGroupSize;
    static_assert(CTremorAnalyzer::kHistorySize % kGroupSize == 0);
    static_assert(kTailLanes == 2 && kGroupSize >= 2);

    // One group's record, for samples n = GroupSize g + 0 .. GroupSize - 1: doubles 0..15 the
    // main lanes at n = 0, 16..31 the main lanes at n = 1, then the tail pair at each n in turn.
    // With a group size of 4 or more that is a whole number of 64-byte lines.
    static constexpr int kRecordSize = 2 * kMainLanes + kGroupSize * kTailLanes;
    static constexpr int kMainRow0 = 0;
    static constexpr int kMainRow1 = kMainLanes;
    static constexpr int kTailRows = 2 * kMainLanes;

    // The table, computed on first use.
    static const COscillatorTable& Get();

    // Group g's record (g = 0..kGroupCount - 1), 64-byte aligned.
    const double* Record(int group) const { return m_records + group * kRecordSize; }

    // q = 2 cos(w) of each lane's bin, in lane order (padded to 24).
    const double* Multipliers() const { return m_multipliers; }

    // The bin number of band lane pair j: 95 + 6 j.
    static int BandBin(int j) {
        return CTremorAnalyzer::kFirstBandBin + CTremorAnalyzer::kBandBinStep * j;
    }

private:
    COscillatorTable();
    void Store(int sample, int lane, double value);

    alignas(64) double m_multipliers[24] = {};
    alignas(64) double m_records[kGroupCount * kRecordSize] = {};
};

extern template class COscillatorTable<4>;
extern template class COscillatorTable<8>;
