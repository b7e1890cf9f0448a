// The straightforward and the fast forms of the analysis side by side, on a voice-like capture
// windowed as the sound card's (3 x sample + 512): one block's full analysis (shift, window,
// evaluate), the display's nine bins, and the pieces at each instruction-set level.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/band_bins.h"
#include "analysis/simd_level.h"
#include "analysis/window_table.h"
#include "tests/analysis/reference_analysis.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr int kBlock = CTremorAnalyzer::kBlockSize;
constexpr int kBins = CTremorAnalyzer::kBandBinCount;
constexpr int kBlocks = 64;

struct FastAnalyzer : CTremorAnalyzer {};

const std::vector<std::int16_t>& Voice() {
    static const std::vector<std::int16_t> samples =
        test_signals::CSpeechLike(2024, 1.5).Blocks(kBlocks);
    return samples;
}

template <typename Analyzer>
std::unique_ptr<Analyzer> Primed() {
    auto analyzer = std::make_unique<Analyzer>();
    for (int b = 0; b < 4; ++b) analyzer->ShiftHistory(Voice().data() + b * kBlock);
    analyzer->ApplyWindow(3.0, 512);
    return analyzer;
}

void BM_BlockAnalysis_Straightforward(benchmark::State& state) {
    auto analyzer = std::make_unique<CReferenceAnalysis>();
    int b = 0;
    for (auto _ : state) {
        analyzer->AnalyzeBlock(Voice().data() + (b++ % kBlocks) * kBlock, 3.0, 512);
        benchmark::DoNotOptimize(analyzer->m_instFreq.Load());
    }
}
BENCHMARK(BM_BlockAnalysis_Straightforward)->Unit(benchmark::kMicrosecond);

void BM_BlockAnalysis_Fused(benchmark::State& state) {
    auto analyzer = std::make_unique<FastAnalyzer>();
    int b = 0;
    for (auto _ : state) {
        analyzer->ShiftHistory(Voice().data() + (b++ % kBlocks) * kBlock);
        analyzer->ApplyWindow(3.0, 512);
        benchmark::DoNotOptimize(analyzer->Evaluate());
    }
}
BENCHMARK(BM_BlockAnalysis_Fused)->Unit(benchmark::kMicrosecond);

// Empties the processor's private caches (as when blocks arrive 0.37 s apart and other work ran
// in between), then times one run of work by hand, so that the sweep is not counted.
template <typename Work>
void TimeColdRuns(benchmark::State& state, Work work) {
    static std::vector<char> sweep(16 << 20);
    work();  // tables built and pages touched before the first timed run
    for (auto _ : state) {
        for (std::size_t i = 0; i < sweep.size(); i += 64)
            sweep[i] = static_cast<char>(sweep[i] + 1);
        benchmark::ClobberMemory();
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void BM_BlockAnalysis_FusedColdCache(benchmark::State& state) {
    auto analyzer = std::make_unique<FastAnalyzer>();
    int b = 0;
    TimeColdRuns(state, [&] {
        analyzer->ShiftHistory(Voice().data() + (b++ % kBlocks) * kBlock);
        analyzer->ApplyWindow(3.0, 512);
        benchmark::DoNotOptimize(analyzer->Evaluate());
    });
}
// A fixed count: each run's cache sweep takes far longer than the run itself.
constexpr int kColdRuns = 400;

BENCHMARK(BM_BlockAnalysis_FusedColdCache)
    ->UseManualTime()
    ->Iterations(kColdRuns)
    ->Unit(benchmark::kMicrosecond);

void BM_BlockAnalysis_StraightforwardColdCache(benchmark::State& state) {
    auto analyzer = std::make_unique<CReferenceAnalysis>();
    int b = 0;
    TimeColdRuns(state, [&] {
        analyzer->AnalyzeBlock(Voice().data() + (b++ % kBlocks) * kBlock, 3.0, 512);
        benchmark::DoNotOptimize(analyzer->m_instFreq.Load());
    });
}
BENCHMARK(BM_BlockAnalysis_StraightforwardColdCache)
    ->UseManualTime()
    ->Iterations(kColdRuns)
    ->Unit(benchmark::kMicrosecond);

// The display's nine bars: nine calls of the base BinMagnitude, or one fused pass.
void BM_DisplayBins_Straightforward(benchmark::State& state) {
    auto analyzer = Primed<FastAnalyzer>();
    for (auto _ : state) {
        double bars[kBins];
        for (int j = 0; j < kBins; ++j)
            bars[j] = analyzer->CTremorAnalyzer::BinMagnitude(CTremorAnalyzer::kFirstBandBin +
                                                              CTremorAnalyzer::kBandBinStep * j);
        benchmark::DoNotOptimize(bars);
    }
}
BENCHMARK(BM_DisplayBins_Straightforward)->Unit(benchmark::kMicrosecond);

void BM_DisplayBins_Fused(benchmark::State& state) {
    auto analyzer = Primed<FastAnalyzer>();
    for (auto _ : state) {
        double bars[kBins];
        analyzer->BandMagnitudes(bars);
        benchmark::DoNotOptimize(bars);
    }
}
BENCHMARK(BM_DisplayBins_Fused)->Unit(benchmark::kMicrosecond);

// The level named by the benchmark's argument, labelled; false (and skipped) where this
// processor lacks it.
bool UseLevel(benchmark::State& state, SimdLevel* level) {
    *level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelSupported(*level)) {
        state.SkipWithError("level not supported here");
        return false;
    }
    state.SetLabel(SimdLevelName(*level));
    return true;
}

// The pieces, per instruction-set level (0 baseline, 1 AVX2, 2 AVX-512).
void BM_FusedPass(benchmark::State& state) {
    SimdLevel level;
    if (!UseLevel(state, &level)) return;
    auto analyzer = Primed<FastAnalyzer>();
    for (auto _ : state) {
        double bars[kBins];
        CBandBins::EvaluateWith(level, analyzer->m_windowed, bars);
        benchmark::DoNotOptimize(bars);
    }
}
BENCHMARK(BM_FusedPass)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_FusedPassColdCache(benchmark::State& state) {
    SimdLevel level;
    if (!UseLevel(state, &level)) return;
    auto analyzer = Primed<FastAnalyzer>();
    TimeColdRuns(state, [&] {
        double bars[kBins];
        CBandBins::EvaluateWith(level, analyzer->m_windowed, bars);
        benchmark::DoNotOptimize(bars);
    });
}
BENCHMARK(BM_FusedPassColdCache)
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Iterations(kColdRuns)
    ->Unit(benchmark::kMicrosecond);

void BM_Window_Cosine(benchmark::State& state) {
    auto analyzer = Primed<CReferenceAnalysis>();
    for (auto _ : state) {
        analyzer->ApplyWindowByCosine(3.0, 512);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Window_Cosine)->Unit(benchmark::kMicrosecond);

void BM_Window_Table(benchmark::State& state) {
    SimdLevel level;
    if (!UseLevel(state, &level)) return;
    auto analyzer = Primed<FastAnalyzer>();
    for (auto _ : state) {
        CWindowTable::ApplyWith(level, analyzer->m_history, 3.0, 512, analyzer->m_windowed);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Window_Table)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
