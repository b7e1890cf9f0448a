// What the timeline costs the pump: one row appended after an evaluation (the analyzer's own
// LogEvaluation, through Evaluate's last step), with a consumer draining as a tick would.
#include <benchmark/benchmark.h>

#include <memory>

#include "analysis/evaluation_ring.h"
#include "analysis/tremor_analyzer.h"

namespace {

void BM_RingPush(benchmark::State& state) {
    auto ring = std::make_unique<CEvaluationRing>();
    EvaluationRow row;
    std::size_t pushed = 0;
    for (auto _ : state) {
        row.block = static_cast<std::uint32_t>(pushed);
        benchmark::DoNotOptimize(ring->Push(row));
        // Drained well before it fills, as the tick does.
        if (++pushed % 4096 == 0) {
            state.PauseTiming();
            ring->Drain([](const EvaluationRow&) {});
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_RingPush)->Unit(benchmark::kNanosecond);

// Evaluate on a silent window with and without a session: the difference is the row's cost.
struct BenchAnalyzer : CTremorAnalyzer {};

void BM_EvaluateLogged(benchmark::State& state) {
    auto analyzer = std::make_unique<BenchAnalyzer>();
    if (state.range(0)) analyzer->BeginEvaluationSession(EvaluationSource::Line);
    std::size_t evaluated = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(analyzer->Evaluate());
        if (++evaluated % 4096 == 0) {
            state.PauseTiming();
            analyzer->m_evaluations.Drain([](const EvaluationRow&) {});
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_EvaluateLogged)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
