#include "analysis/simd_level.h"

namespace {

SimdLevel Detect() {
#if defined(__x86_64__) || defined(__i386__)
    // The checks include the operating system's support for the wider registers.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SimdLevel::kAvx512;
    if (__builtin_cpu_supports("avx2")) return SimdLevel::kAvx2;
#endif
    return SimdLevel::kBaseline;
}

}  // namespace

SimdLevel DetectedSimdLevel() {
    static const SimdLevel level = Detect();
    return level;
}

bool SimdLevelSupported(SimdLevel level) {
    return static_cast<int>(level) <= static_cast<int>(DetectedSimdLevel());
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::kBaseline:
            return "baseline";
        case SimdLevel::kAvx2:
            return "avx2";
        case SimdLevel::kAvx512:
            return "avx512";
    }
    return "unknown";
}
