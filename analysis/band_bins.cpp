#include "analysis/band_bins.h"

#include <cmath>
#include <cstring>

#include "analysis/oscillator_table.h"

namespace {

using Table = COscillatorTable;
constexpr int kSize = CTremorAnalyzer::kHistorySize;
constexpr int kBins = CTremorAnalyzer::kBandBinCount;

// The oscillators' weighted sums in lane order: lane j the real part of band bin j, lane 9 + j
// its imaginary part.
struct Sums {
    double lanes[Table::kLaneCount];
};

// W lanes per vector: the main lanes in 16 / W vectors, the two tail lanes in one pair. For every
// sample, in sample order, each lane takes its oscillator value (from the table for the first two
// samples of a group of four, else s = q * sa - sb as the oscillator forms it) and adds value x
// sample to its sum: the steps and their order of BinMagnitude, lane by lane.
template <int W>
[[gnu::always_inline]] inline void FusedPass(const double* windowed, Sums& sums) {
    typedef double Main __attribute__((vector_size(sizeof(double) * W)));
    typedef double Pair __attribute__((vector_size(sizeof(double) * 2)));
    constexpr int kVectors = Table::kMainLanes / W;
    static_assert(Table::kMainLanes % W == 0);

    const Table& table = Table::Get();
    const double* multipliers = table.Multipliers();
    Main q[kVectors];
    Main sum[kVectors];
#pragma GCC unroll 8
    for (int v = 0; v < kVectors; ++v) {
        std::memcpy(&q[v], multipliers + v * W, sizeof(Main));
        sum[v] = Main{};
    }
    Pair qTail;
    std::memcpy(&qTail, multipliers + Table::kMainLanes, sizeof(Pair));
    Pair sumTail = Pair{};

    for (int g = 0; g < Table::kGroupCount; ++g) {
        const double* record = table.Record(g);
        const double* x = windowed + g * Table::kGroupSize;
        // before: two samples back; last: the previous sample (sb and sa of the oscillator).
        Main before[kVectors];
        Main last[kVectors];
#pragma GCC unroll 8
        for (int v = 0; v < kVectors; ++v) {
            std::memcpy(&before[v], record + Table::kMainRow0 + v * W, sizeof(Main));
            std::memcpy(&last[v], record + Table::kMainRow1 + v * W, sizeof(Main));
        }
        Pair beforeTail;
        Pair lastTail;
        std::memcpy(&beforeTail, record + Table::kTailRow0, sizeof(Pair));
        std::memcpy(&lastTail, record + Table::kTailRow1, sizeof(Pair));

#pragma GCC unroll 4
        for (int n = 0; n < Table::kGroupSize; ++n) {
            const double sample = x[n];
            if (n == 0) {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) sum[v] = sum[v] + before[v] * sample;
                sumTail = sumTail + beforeTail * sample;
            } else if (n == 1) {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) sum[v] = sum[v] + last[v] * sample;
                sumTail = sumTail + lastTail * sample;
            } else {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) {
                    const Main next = q[v] * last[v] - before[v];
                    sum[v] = sum[v] + next * sample;
                    before[v] = last[v];
                    last[v] = next;
                }
                const Pair nextTail = qTail * lastTail - beforeTail;
                sumTail = sumTail + nextTail * sample;
                beforeTail = lastTail;
                lastTail = nextTail;
            }
        }
    }

#pragma GCC unroll 8
    for (int v = 0; v < kVectors; ++v) std::memcpy(sums.lanes + v * W, &sum[v], sizeof(Main));
    std::memcpy(sums.lanes + Table::kMainLanes, &sumTail, sizeof(Pair));
}

void PassBaseline(const double* windowed, Sums& sums) {
    FusedPass<2>(windowed, sums);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void PassAvx2(const double* windowed, Sums& sums) {
    FusedPass<4>(windowed, sums);
}

__attribute__((target("avx512f"))) void PassAvx512(const double* windowed, Sums& sums) {
    FusedPass<8>(windowed, sums);
}
#endif

}  // namespace

void CBandBins::Evaluate(const double* windowed, double (&magnitudes)[kBins]) {
    EvaluateWith(DetectedSimdLevel(), windowed, magnitudes);
}

void CBandBins::EvaluateWith(SimdLevel level, const double* windowed, double (&magnitudes)[kBins]) {
    if (!SimdLevelSupported(level)) level = DetectedSimdLevel();
    Sums sums;
    switch (level) {
#if defined(__x86_64__) || defined(__i386__)
        case SimdLevel::kAvx512:
            PassAvx512(windowed, sums);
            break;
        case SimdLevel::kAvx2:
            PassAvx2(windowed, sums);
            break;
#endif
        default:
            PassBaseline(windowed, sums);
            break;
    }
    for (int j = 0; j < kBins; ++j) {
        const double re = sums.lanes[j];
        const double im = sums.lanes[kBins + j];
        magnitudes[j] = std::sqrt(re * re + im * im);
    }
}
