#include "analysis/window_table.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kSize = CTremorAnalyzer::kHistorySize;

struct Table {
    Table() {
        for (int i = 0; i < kSize; ++i)
            values[i] = 1.0 - std::cos(i * CTremorAnalyzer::kWindowStep);
    }
    alignas(64) double values[kSize];
};

// W lanes at a time; each lane does the scalar steps: convert, multiply by the gain, add the
// offset, multiply by the window.
template <int W>
[[gnu::always_inline]] inline void WindowPass(const double* window, const std::int16_t* history,
                                              double gain, std::int16_t offset, double* out) {
    using Doubles = typename SimdVector<double, W>::Type;
    using Samples = typename SimdVector<short, W>::Type;
    using Integers = typename SimdVector<int, W>::Type;
    static_assert(kSize % W == 0);
    const double shift = offset;
    for (int i = 0; i < kSize; i += W) {
        Samples samples;
        Doubles weights;
        std::memcpy(&samples, history + i, sizeof(samples));
        std::memcpy(&weights, window + i, sizeof(weights));
        // Through 32-bit integers, which the processors convert to doubles lane-wise; both steps
        // are exact.
        const Doubles values =
            __builtin_convertvector(__builtin_convertvector(samples, Integers), Doubles);
        const Doubles scaled = gain * values + shift;
        const Doubles windowed = weights * scaled;
        std::memcpy(out + i, &windowed, sizeof(windowed));
    }
}

void WindowBaseline(const double* window, const std::int16_t* history, double gain,
                    std::int16_t offset, double* out) {
    WindowPass<2>(window, history, gain, offset, out);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void WindowAvx2(const double* window, const std::int16_t* history,
                                                double gain, std::int16_t offset, double* out) {
    WindowPass<4>(window, history, gain, offset, out);
}

__attribute__((target("avx512f"))) void WindowAvx512(const double* window,
                                                     const std::int16_t* history, double gain,
                                                     std::int16_t offset, double* out) {
    WindowPass<8>(window, history, gain, offset, out);
}
#endif

}  // namespace

const double (&CWindowTable::Values())[kSize] {
    static const Table table;
    return table.values;
}

void CWindowTable::Apply(const std::int16_t* history, double gain, std::int16_t offset,
                         double* out) {
    ApplyWith(DetectedSimdLevel(), history, gain, offset, out);
}

void CWindowTable::ApplyWith(SimdLevel level, const std::int16_t* history, double gain,
                             std::int16_t offset, double* out) {
    const double* window = Values();
    if (!SimdLevelSupported(level)) level = DetectedSimdLevel();
    switch (level) {
#if defined(__x86_64__) || defined(__i386__)
        case SimdLevel::kAvx512:
            WindowAvx512(window, history, gain, offset, out);
            return;
        case SimdLevel::kAvx2:
            WindowAvx2(window, history, gain, offset, out);
            return;
#endif
        default:
            WindowBaseline(window, history, gain, offset, out);
            return;
    }
}
