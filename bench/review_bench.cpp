// The review of a recording, as the window runs it (decode, analyse, level envelope) on an hour
// of 11025 Hz mono 16-bit WAV and of 44.1 kHz stereo FLAC, made once in the temporary folder.
// Compare with `kavrin-analyze --decode` on the same files (bench/review_vs_tool.sh).
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sources/recording_review.h"

namespace {

// An hour of a speech-like signal, written in pieces.
std::string HourFile(const char* name, int format, int rate, int channels) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    if (std::filesystem::exists(path)) return path;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return path;
    std::vector<short> piece(static_cast<std::size_t>(rate) * channels);
    for (int second = 0; second < 3600; ++second) {
        for (int f = 0; f < rate; ++f) {
            const double t = second + static_cast<double>(f) / rate;
            const auto v = static_cast<short>(8000 * (1 + 0.5 * std::sin(2 * M_PI * 10 * t)) *
                                              std::sin(2 * M_PI * 300 * t));
            for (int c = 0; c < channels; ++c) piece[f * channels + c] = v;
        }
        sf_writef_short(file, piece.data(), rate);
    }
    sf_close(file);
    return path;
}

void Review(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        CRecordingReview review;
        review.Start(path, 10, 75);
        auto result = review.Take();
        if (!result->error.empty()) state.SkipWithError(result->error.c_str());
        state.counters["rows"] = static_cast<double>(result->rows.size());
        state.counters["envelope_MB"] = result->envelope.Bytes() / 1e6;
    }
    state.counters["x_real_time"] =
        benchmark::Counter(3600.0 * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ReviewHourWav11025Mono(benchmark::State& state) {
    Review(state, HourFile("kavrin-bench-hour.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1));
}
BENCHMARK(BM_ReviewHourWav11025Mono)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ReviewHourFlac44100Stereo(benchmark::State& state) {
    Review(state, HourFile("kavrin-bench-hour.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2));
}
BENCHMARK(BM_ReviewHourFlac44100Stereo)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
