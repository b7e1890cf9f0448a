// The fused band pass against the straightforward BinMagnitude: every magnitude identical to the
// bit, at every instruction-set level this processor supports.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/band_bins.h"
#include "analysis/oscillator_table.h"
#include "analysis/simd_level.h"
#include "tests/analysis/reference_analysis.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr int kBins = CTremorAnalyzer::kBandBinCount;
constexpr int kSize = CTremorAnalyzer::kHistorySize;
constexpr int kBlock = CTremorAnalyzer::kBlockSize;

// The straightforward oracle costs ~0.3 ms a window; instrumented and unoptimised builds run a
// quarter of the windows.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
constexpr int kScale = 4;
#else
constexpr int kScale = 1;
#endif

std::vector<SimdLevel> SupportedLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::kBaseline, SimdLevel::kAvx2, SimdLevel::kAvx512})
        if (SimdLevelSupported(level)) levels.push_back(level);
    return levels;
}

std::string Hex(double v) {
    char text[64];
    std::snprintf(text, sizeof(text), "%a", v);
    return text;
}

// Compares the fused pass at every level with BinMagnitude on the oracle's current m_windowed.
// Returns false (after reporting) at the first difference, so a fault does not flood the log.
bool FusedMatchesOracle(CReferenceAnalysis& oracle, const std::string& what) {
    double expected[kBins];
    oracle.BandMagnitudesOneByOne(expected);
    for (SimdLevel level : SupportedLevels()) {
        double fused[kBins];
        CBandBins::EvaluateWith(level, oracle.m_windowed, fused);
        for (int j = 0; j < kBins; ++j) {
            if (std::bit_cast<std::uint64_t>(fused[j]) !=
                std::bit_cast<std::uint64_t>(expected[j])) {
                ADD_FAILURE() << what << ", level " << SimdLevelName(level) << ", bin "
                              << CTremorAnalyzer::kFirstBandBin + CTremorAnalyzer::kBandBinStep * j
                              << ": fused " << Hex(fused[j]) << ", BinMagnitude "
                              << Hex(expected[j]);
                return false;
            }
        }
    }
    return true;
}

std::unique_ptr<CReferenceAnalysis> MakeOracle() {
    return std::make_unique<CReferenceAnalysis>();
}

template <int GroupSize>
void ExpectTheOscillatorsOwnValues() {
    using Table = COscillatorTable<GroupSize>;
    const Table& table = Table::Get();
    for (int j = 0; j < kBins; ++j) {
        // BinMagnitude's seeds and recurrence, run in full.
        const int k = Table::BandBin(j) & 0xFFFF;
        const double w = k * CTremorAnalyzer::kBinStep;
        const double q = 2.0 * std::cos(w);
        double sa = std::sin(-w), ca = std::cos(-w), sb = std::sin(-2.0 * w),
               cb = std::cos(-2.0 * w);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(table.Multipliers()[j]),
                  std::bit_cast<std::uint64_t>(q));
        ASSERT_EQ(std::bit_cast<std::uint64_t>(table.Multipliers()[kBins + j]),
                  std::bit_cast<std::uint64_t>(q));
        for (int i = 0; i < kSize; ++i) {
            const double s = q * sa - sb;
            const double t = q * ca - cb;
            const double* record = table.Record(i / GroupSize);
            const int n = i % GroupSize;
            for (const int lane : {j, kBins + j}) {
                const double value = lane < kBins ? t : s;
                const double* stored = nullptr;
                if (lane >= Table::kMainLanes)
                    stored = record + Table::kTailRows + n * Table::kTailLanes + lane -
                             Table::kMainLanes;
                else if (n == 0)
                    stored = record + Table::kMainRow0 + lane;
                else if (n == 1)
                    stored = record + Table::kMainRow1 + lane;
                if (stored != nullptr) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(*stored),
                              std::bit_cast<std::uint64_t>(value))
                        << "group size " << GroupSize << ", lane " << lane << ", sample " << i;
                }
            }
            sb = sa;
            cb = ca;
            sa = s;
            ca = t;
        }
    }
}

TEST(FusedBandBins, TheOscillatorTablesHoldTheOscillatorsOwnValues) {
    ExpectTheOscillatorsOwnValues<4>();
    ExpectTheOscillatorsOwnValues<8>();
}

TEST(FusedBandBins, AllZeroGivesZeroInEveryBin) {
    auto oracle = MakeOracle();
    for (SimdLevel level : SupportedLevels()) {
        double fused[kBins];
        CBandBins::EvaluateWith(level, oracle->m_windowed, fused);
        for (double m : fused) EXPECT_EQ(std::bit_cast<std::uint64_t>(m), 0u);
    }
    EXPECT_TRUE(FusedMatchesOracle(*oracle, "all zero"));
}

TEST(FusedBandBins, MatchBinMagnitudeOnRandomDoubles) {
    // Any finite values, of every size from subnormal up, with zeros and sign changes mixed in.
    auto oracle = MakeOracle();
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-1074, 330);
    std::uniform_int_distribution<int> kind(0, 9);
    for (int window = 0; window < 200 / kScale; ++window) {
        const int style = window % 4;
        for (double& v : oracle->m_windowed) {
            switch (style) {
                case 0:
                    v = unit(random) * 6.0e5;
                    break;
                case 1:
                    v = std::ldexp(unit(random), exponent(random) / 4);
                    break;
                case 2:
                    v = kind(random) < 3 ? 0.0 : std::ldexp(unit(random), exponent(random) / 4);
                    break;
                default:
                    v = std::ldexp(unit(random), std::min(exponent(random), -1000));
                    break;
            }
        }
        if (!FusedMatchesOracle(*oracle, "random doubles, window " + std::to_string(window)))
            return;
    }
}

TEST(FusedBandBins, MatchBinMagnitudeOnRandomHistories) {
    // Random samples windowed as every source windows them: capture (gain 3 x factor, offset
    // 512), file (3 x factor, 0) and tone (1 x factor, 0), for every volume factor -3..5.
    auto oracle = MakeOracle();
    std::mt19937 random(21);
    std::int16_t block[kBlock];
    int window = 0;
    for (int round = 0; round < 600 / kScale / 27 + 1; ++round) {
        for (int factor = -3; factor <= 5; ++factor) {
            for (const auto& [gain, offset] :
                 {std::pair{3.0, 512}, std::pair{3.0, 0}, std::pair{1.0, 0}}) {
                if (window % 3 == 0)
                    test_signals::UniformBlock(random, block);
                else
                    test_signals::NoiseBlock(random, 2000.0 * (1 + window % 7), block);
                oracle->ShiftHistory(block);
                oracle->ApplyWindowByCosine(gain * factor, static_cast<std::int16_t>(offset));
                if (!FusedMatchesOracle(*oracle, "random history, window " +
                                                     std::to_string(window) + ", gain " +
                                                     std::to_string(gain * factor)))
                    return;
                ++window;
            }
        }
    }
}

TEST(FusedBandBins, MatchBinMagnitudeOnSpeechLikeSignals) {
    auto oracle = MakeOracle();
    const int blocksPerVoice = 200 / kScale;
    int voice = 0;
    for (const double loudness : {0.05, 0.4, 1.0, 2.5}) {
        test_signals::CSpeechLike speech(100 + voice, loudness);
        std::int16_t block[kBlock];
        for (int b = 0; b < blocksPerVoice; ++b) {
            speech.NextBlock(block);
            oracle->ShiftHistory(block);
            // The capture's windowing at the default volume, then now and then other volumes.
            const double gain = b % 5 == 4 ? 3.0 * (b % 9 - 3) : 3.0;
            oracle->ApplyWindowByCosine(gain, 512);
            if (!FusedMatchesOracle(
                    *oracle, "voice " + std::to_string(voice) + ", block " + std::to_string(b)))
                return;
        }
        ++voice;
    }
}

TEST(FusedBandBins, MatchBinMagnitudeOnEdgeCases) {
    auto oracle = MakeOracle();
    struct Case {
        const char* name;
        double gain;
        std::int16_t offset;
        std::int16_t (*sample)(int i);
    };
    const Case cases[] = {
        {"zeros, capture offset", 3.0, 512, [](int) -> std::int16_t { return 0; }},
        {"full scale +", 3.0, 0, [](int) -> std::int16_t { return 32767; }},
        {"full scale -", 3.0, 0, [](int) -> std::int16_t { return -32768; }},
        {"full scale -, strongest volume", 15.0, 512, [](int) -> std::int16_t { return -32768; }},
        {"alternating full scale", 3.0, 512,
         [](int i) -> std::int16_t { return i % 2 ? 32767 : -32768; }},
        {"negative gain", -9.0, 512,
         [](int i) -> std::int16_t {
             return static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
         }},
        {"negative gain, full scale", -9.0, 0,
         [](int i) -> std::int16_t { return i % 3 ? 32767 : -32768; }},
        {"gain 0, offset 512", 0.0, 512,
         [](int i) -> std::int16_t { return static_cast<std::int16_t>(i); }},
        {"gain 0, offset -32768", 0.0, -32768, [](int) -> std::int16_t { return 1; }},
        {"one impulse", 1.0, 0, [](int i) -> std::int16_t { return i == 8192 ? 32767 : 0; }},
        {"square wave at 10 Hz", 3.0, 0,
         [](int i) -> std::int16_t { return (i * 20 / 11025) % 2 ? 32767 : -32768; }},
        {"clipped sine at bin 119", 3.0, 512,
         [](int i) -> std::int16_t {
             const double v = 1e5 * std::sin(i * 119 * CTremorAnalyzer::kBinStep);
             return test_signals::Clip(v);
         }},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < kSize; ++i) oracle->m_history[i] = c.sample(i);
        oracle->ApplyWindowByCosine(c.gain, c.offset);
        EXPECT_TRUE(FusedMatchesOracle(*oracle, c.name));
    }
}

TEST(FusedBandBins, DisplayBinsEqualBinMagnitude) {
    auto oracle = MakeOracle();
    test_signals::CSpeechLike speech(7, 1.0);
    std::int16_t block[kBlock];
    for (int b = 0; b < 8; ++b) {
        speech.NextBlock(block);
        oracle->ShiftHistory(block);
        oracle->ApplyWindow(3.0, 512);
        double bars[kBins];
        oracle->BandMagnitudes(bars);
        for (int j = 0; j < kBins; ++j) {
            const double single = oracle->BinMagnitude(CTremorAnalyzer::kFirstBandBin +
                                                       CTremorAnalyzer::kBandBinStep * j);
            EXPECT_EQ(std::bit_cast<std::uint64_t>(bars[j]), std::bit_cast<std::uint64_t>(single))
                << "block " << b << ", bar " << j;
        }
    }
}

TEST(FusedBandBins, DisplayBinsComeFromOneWindow) {
    // The pump analyses while the display asks for its bars: every set of nine bars belongs to
    // one of the windows the pump produced, never a mixture of two.
    auto oracle = MakeOracle();
    auto analyzer = MakeOracle();
    constexpr int kBlocks = 24;
    test_signals::CSpeechLike speech(5, 1.0);
    const std::vector<std::int16_t> samples = speech.Blocks(kBlocks);
    std::vector<std::vector<double>> windows;
    {
        double bars[kBins];
        analyzer->BandMagnitudes(bars);  // the all-zero window before the first block
        windows.emplace_back(bars, bars + kBins);
    }
    for (int b = 0; b < kBlocks; ++b) {
        oracle->ShiftHistory(samples.data() + b * kBlock);
        oracle->ApplyWindowByCosine(3.0, 512);
        double bars[kBins];
        oracle->BandMagnitudesOneByOne(bars);
        windows.emplace_back(bars, bars + kBins);
    }

    std::atomic<bool> done{false};
    std::thread pump([&] {
        for (int b = 0; b < kBlocks; ++b) {
            analyzer->ShiftHistory(samples.data() + b * kBlock);
            analyzer->ApplyWindow(3.0, 512);
            analyzer->Evaluate();
        }
        done = true;
    });
    int observed = 0;
    bool mixed = false;
    while (!done || observed == 0) {
        double bars[kBins];
        analyzer->BandMagnitudes(bars);
        bool known = false;
        for (const auto& w : windows) {
            bool same = true;
            for (int j = 0; j < kBins; ++j)
                same = same &&
                       std::bit_cast<std::uint64_t>(w[j]) == std::bit_cast<std::uint64_t>(bars[j]);
            known = known || same;
        }
        mixed = mixed || !known;
        ++observed;
    }
    pump.join();
    EXPECT_FALSE(mixed);
    double last[kBins];
    analyzer->BandMagnitudes(last);
    for (int j = 0; j < kBins; ++j)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(last[j]),
                  std::bit_cast<std::uint64_t>(windows.back()[j]));
}

}  // namespace
