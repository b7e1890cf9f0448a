// Which vector instruction set the analysis kernels run with. Every level performs the same
// IEEE double operations lane by lane, in the same order and without fused multiply-adds, so
// every level yields the very same doubles; only the speed differs.
#pragma once

enum class SimdLevel {
    kBaseline,  // what every processor of the build's architecture has (SSE2 on x86-64)
    kAvx2,
    kAvx512,
};

// The widest level this processor and operating system support; determined once.
SimdLevel DetectedSimdLevel();

// True when kernels of this level may run here (every level up to the detected one).
bool SimdLevelSupported(SimdLevel level);

const char* SimdLevelName(SimdLevel level);

// W lanes of T in one vector (GCC vector extensions), for the kernels of each level.
template <typename T, int W>
struct SimdVector {
    typedef T Type __attribute__((vector_size(sizeof(T) * W)));
};
