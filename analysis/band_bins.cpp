#include "analysis/band_bins.h"

#include <cmath>
#include <cstring>

#include "analysis/oscillator_table.h"

namespace {

constexpr int kBins = CTremorAnalyzer::kBandBinCount;

// The oscillators' weighted sums in lane order: lane j the real part of band bin j, lane 9 + j
// its imaginary part.
struct Sums {
    double lanes[2 * kBins];
};

// W lanes per vector: the main lanes in 16 / W vectors, the two tail lanes in one pair. For every
// sample, in sample order, each lane takes its oscillator value (from the table, or for the main
// lanes past the first two samples of a group s = q * sa - sb as the oscillator forms it) and
// adds value x sample to its sum: the steps and their order of BinMagnitude, lane by lane.
template <int W, int GroupSize>
[[gnu::always_inline]] inline void FusedPass(const double* windowed, Sums& sums) {
    using Table = COscillatorTable<GroupSize>;
    using Main = typename SimdVector<double, W>::Type;
    using Pair = typename SimdVector<double, 2>::Type;
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

#pragma GCC unroll 16
        for (int n = 0; n < Table::kGroupSize; ++n) {
            Main sample;
            Pair samplePair;
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__clang__)
            // (clang, used for the fuzz build only, takes no 512-bit operand for "=v".)
            if constexpr (W == 8) {
                // Broadcast from memory: left to itself the compiler loads the sample once and
                // broadcasts it twice from the register, on the port the arithmetic needs.
                // (The pair stays in xmm0..15, which need no AVX-512 encoding.)
                asm("vbroadcastsd %1, %0" : "=v"(sample) : "m"(x[n]));
                asm("vmovddup %1, %0" : "=x"(samplePair) : "m"(x[n]));
            } else
#endif
            {
                // A copy into every lane: adding -0.0 changes no value (adding 0.0 would turn
                // -0.0 into 0.0).
                sample = -Main{} + x[n];
                samplePair = -Pair{} + x[n];
            }
            if (n == 0) {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) sum[v] = sum[v] + before[v] * sample;
            } else if (n == 1) {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) sum[v] = sum[v] + last[v] * sample;
            } else {
#pragma GCC unroll 8
                for (int v = 0; v < kVectors; ++v) {
                    const Main next = q[v] * last[v] - before[v];
                    sum[v] = sum[v] + next * sample;
                    before[v] = last[v];
                    last[v] = next;
                }
            }
            Pair tail;
            std::memcpy(&tail, record + Table::kTailRows + n * Table::kTailLanes, sizeof(Pair));
            sumTail = sumTail + tail * samplePair;
        }
    }

#pragma GCC unroll 8
    for (int v = 0; v < kVectors; ++v) std::memcpy(sums.lanes + v * W, &sum[v], sizeof(Main));
    std::memcpy(sums.lanes + Table::kMainLanes, &sumTail, sizeof(Pair));
}

// Group sizes: the narrower vectors have the arithmetic ports to spare for regenerating values,
// the widest runs faster with half the table to read.
void PassBaseline(const double* windowed, Sums& sums) {
    FusedPass<2, 4>(windowed, sums);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void PassAvx2(const double* windowed, Sums& sums) {
    FusedPass<4, 4>(windowed, sums);
}

__attribute__((target("avx512f"))) void PassAvx512(const double* windowed, Sums& sums) {
    FusedPass<8, 8>(windowed, sums);
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
