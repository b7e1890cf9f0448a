// The tabulated window against the library cosine, and the windowing at every instruction-set
// level against the straightforward expression, to the bit.
#include "analysis/window_table.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "tests/analysis/reference_analysis.h"

namespace {

constexpr int kSize = CTremorAnalyzer::kHistorySize;

std::vector<SimdLevel> SupportedLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::kBaseline, SimdLevel::kAvx2, SimdLevel::kAvx512})
        if (SimdLevelSupported(level)) levels.push_back(level);
    return levels;
}

TEST(WindowTable, HoldsTheLibraryCosines) {
    const double(&window)[kSize] = CWindowTable::Values();
    for (int i = 0; i < kSize; ++i) {
        const double expected = 1.0 - std::cos(i * CTremorAnalyzer::kWindowStep);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(window[i]), std::bit_cast<std::uint64_t>(expected))
            << "index " << i;
    }
    EXPECT_EQ(window[0], 0.0);
    EXPECT_EQ(window[8192], 2.0);
}

TEST(WindowTable, WindowsLikeTheCosineAtEveryLevel) {
    auto reference = std::make_unique<CReferenceAnalysis>();
    std::mt19937 random(3);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::uniform_real_distribution<double> anyGain(-20.0, 20.0);
    std::vector<double> out(kSize);
    struct Setting {
        double gain;
        std::int16_t offset;
    };
    std::vector<Setting> settings;
    for (int factor = -3; factor <= 5; ++factor) {
        settings.push_back({3.0 * factor, 512});
        settings.push_back({3.0 * factor, 0});
        settings.push_back({1.0 * factor, 0});
    }
    settings.push_back({-0.0, 512});
    settings.push_back({1.0, -32768});
    settings.push_back({1.0, 32767});
    for (int k = 0; k < 8; ++k)
        settings.push_back({anyGain(random), static_cast<std::int16_t>(sample(random))});

    for (std::size_t s = 0; s < settings.size(); ++s) {
        const Setting setting = settings[s];
        for (int i = 0; i < kSize; ++i) {
            switch (s % 4) {
                case 0:
                    reference->m_history[i] = static_cast<std::int16_t>(sample(random));
                    break;
                case 1:
                    reference->m_history[i] = i % 2 ? 32767 : -32768;
                    break;
                case 2:
                    reference->m_history[i] = -32768;
                    break;
                default:
                    reference->m_history[i] = static_cast<std::int16_t>(i % 512 - 256);
                    break;
            }
        }
        reference->ApplyWindowByCosine(setting.gain, setting.offset);
        for (SimdLevel level : SupportedLevels()) {
            CWindowTable::ApplyWith(level, reference->m_history, setting.gain, setting.offset,
                                    out.data());
            for (int i = 0; i < kSize; ++i) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(out[i]),
                          std::bit_cast<std::uint64_t>(reference->m_windowed[i]))
                    << SimdLevelName(level) << ", gain " << setting.gain << ", offset "
                    << setting.offset << ", index " << i;
            }
        }
    }
}

TEST(WindowTable, AnUnsupportedLevelFallsBackToOneThatRuns) {
    auto reference = std::make_unique<CReferenceAnalysis>();
    for (int i = 0; i < kSize; ++i) reference->m_history[i] = static_cast<std::int16_t>(i * 3);
    reference->ApplyWindowByCosine(3.0, 512);
    std::vector<double> out(kSize);
    // Whatever this processor has, asking for the widest level must not fault.
    CWindowTable::ApplyWith(SimdLevel::kAvx512, reference->m_history, 3.0, 512, out.data());
    for (int i = 0; i < kSize; ++i)
        ASSERT_EQ(std::bit_cast<std::uint64_t>(out[i]),
                  std::bit_cast<std::uint64_t>(reference->m_windowed[i]));
}

}  // namespace
