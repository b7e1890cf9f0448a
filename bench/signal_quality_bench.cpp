// The signal quality of one block (level, clipping, voicing by aubio's YIN), to set beside
// BM_BlockAnalysis: both run once per evaluation on the pump. The detector's two forms are
// timed on the same 15 frames to show why the FFT form was chosen.
#include <aubio/aubio.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

#include "analysis/signal_quality.h"

namespace {

constexpr int kBlock = CSignalQuality::kBlockSize;

// Speech-like: a 120 Hz pulse train with noise, so that some frames stop YIN early and some
// search every lag.
void FillBlock(std::int16_t (&block)[kBlock]) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 800.0);
    for (int i = 0; i < kBlock; ++i) {
        const double pulse = std::fmod(i * 120.0 / 11025.0, 1.0) < 0.05 ? 8000.0 : 0.0;
        block[i] = static_cast<std::int16_t>(pulse + (i > kBlock / 2 ? noise(random) : 0.0));
    }
}

void BM_SignalQuality(benchmark::State& state) {
    auto quality = std::make_unique<CSignalQuality>();
    std::int16_t block[kBlock];
    FillBlock(block);
    for (auto _ : state) benchmark::DoNotOptimize(quality->Measure(block));
}
BENCHMARK(BM_SignalQuality)->Unit(benchmark::kMicrosecond);

// A pause: below the silence gate no frame is searched for a period.
void BM_SignalQualitySilence(benchmark::State& state) {
    auto quality = std::make_unique<CSignalQuality>();
    std::int16_t block[kBlock] = {};
    for (auto _ : state) benchmark::DoNotOptimize(quality->Measure(block));
}
BENCHMARK(BM_SignalQualitySilence)->Unit(benchmark::kMicrosecond);

void AubioFrames(benchmark::State& state, const char* method) {
    std::int16_t block[kBlock];
    FillBlock(block);
    float samples[kBlock];
    for (int i = 0; i < kBlock; ++i) samples[i] = block[i] / 32768.0f;
    const int size = CSignalQuality::kFrameSize;
    aubio_pitch_t* pitch = new_aubio_pitch(method, size, size, CSignalQuality::kSampleRate);
    float result[1];
    fvec_t out{1, result};
    for (auto _ : state) {
        for (int f = 0; f < CSignalQuality::kFrameCount; ++f) {
            fvec_t in{static_cast<uint_t>(size), samples + f * CSignalQuality::kFrameHop};
            aubio_pitch_do(pitch, &in, &out);
        }
        benchmark::DoNotOptimize(result[0]);
    }
    del_aubio_pitch(pitch);
}

void BM_BlockFramesYin(benchmark::State& state) {
    AubioFrames(state, "yin");
}
BENCHMARK(BM_BlockFramesYin)->Unit(benchmark::kMicrosecond);

void BM_BlockFramesYinFast(benchmark::State& state) {
    AubioFrames(state, "yinfast");
}
BENCHMARK(BM_BlockFramesYinFast)->Unit(benchmark::kMicrosecond);

}  // namespace
