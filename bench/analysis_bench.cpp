// One block's analysis (shift, window, evaluate) and one band bin, on a steady 10 Hz tone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "analysis/tremor_analyzer.h"

namespace {

struct BenchAnalyzer : CTremorAnalyzer {};

void FillTone(std::int16_t (&block)[CTremorAnalyzer::kBlockSize], int blockIndex) {
    for (int i = 0; i < CTremorAnalyzer::kBlockSize; ++i) {
        const double n = blockIndex * CTremorAnalyzer::kBlockSize + i;
        block[i] = static_cast<std::int16_t>(1000.0 * std::sin(n * 2 * M_PI * 10.0 / 11025.0));
    }
}

void BM_BlockAnalysis(benchmark::State& state) {
    auto analyzer = std::make_unique<BenchAnalyzer>();
    // The tone is made beforehand: only the analysis is timed.
    std::int16_t blocks[4][CTremorAnalyzer::kBlockSize];
    for (int b = 0; b < 4; ++b) FillTone(blocks[b], b);
    int index = 0;
    for (auto _ : state) {
        analyzer->ShiftHistory(blocks[index++ & 3]);
        analyzer->ApplyWindow(1.0, 0);
        benchmark::DoNotOptimize(analyzer->Evaluate());
    }
}
BENCHMARK(BM_BlockAnalysis)->Unit(benchmark::kMicrosecond);

void BM_BinMagnitude(benchmark::State& state) {
    auto analyzer = std::make_unique<BenchAnalyzer>();
    std::int16_t block[CTremorAnalyzer::kBlockSize];
    for (int b = 0; b < 4; ++b) {
        FillTone(block, b);
        analyzer->ShiftHistory(block);
    }
    analyzer->ApplyWindow(1.0, 0);
    for (auto _ : state) benchmark::DoNotOptimize(analyzer->BinMagnitude(119));
}
BENCHMARK(BM_BinMagnitude)->Unit(benchmark::kMicrosecond);

}  // namespace
