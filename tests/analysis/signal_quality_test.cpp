// Known answers of the signal quality measures on generated blocks, and the no-reading rule
// that follows from them.
#include "analysis/signal_quality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "analysis/reading_validity.h"

namespace {

constexpr int kBlock = CSignalQuality::kBlockSize;
const double kPi = std::acos(-1.0);

using Block = std::vector<std::int16_t>;

std::int16_t Clip(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

Block Make(const std::function<double(int)>& sample) {
    Block block(kBlock);
    for (int i = 0; i < kBlock; ++i) block[i] = Clip(sample(i));
    return block;
}

// A vowel-like sound: a 120 Hz glottal pulse train through two formant resonators (700 and
// 1200 Hz), scaled to a speaking level.
Block Vowel() {
    std::vector<double> y(kBlock);
    double phase = 0.0, a1 = 0, a2 = 0, b1 = 0, b2 = 0;
    for (int i = 0; i < kBlock; ++i) {
        phase += 120.0 / 11025.0;
        const double pulse = phase >= 1.0 ? 1.0 : 0.0;
        if (phase >= 1.0) phase -= 1.0;
        const double r = 0.97;
        const double a = pulse + 2 * r * std::cos(2 * kPi * 700 / 11025) * a1 - r * r * a2;
        a2 = a1;
        a1 = a;
        const double b = a + 2 * r * std::cos(2 * kPi * 1200 / 11025) * b1 - r * r * b2;
        b2 = b1;
        b1 = b;
        y[i] = b;
    }
    const double peak =
        std::max(*std::max_element(y.begin(), y.end()), -*std::min_element(y.begin(), y.end()));
    return Make([&](int i) { return y[i] / peak * 12000.0; });
}

Block Noise() {
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 6000.0);
    return Make([&](int) { return gauss(random); });
}

struct Case {
    const char* name;
    Block block;
    double levelDbfs;  // NaN: not checked; -inf: digital silence
    std::uint32_t minClipped, maxClipped;
    double minVoiced, maxVoiced;
    double f0Hz;  // NaN: none voiced
    ReadingValidity validity;
};

TEST(SignalQuality, KnownAnswersOfGeneratedBlocks) {
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    // Twice full scale, clipped: |2 sin| >= 1 for two thirds of every period.
    const Block clippedSine =
        Make([](int i) { return 65536.0 * std::sin(2 * kPi * 200 * i / 11025.0); });
    const Case cases[] = {
        {"vowel at 120 Hz", Vowel(), nan, 0, 0, 0.9, 1.0, 120.0, ReadingValidity::Reading},
        {"digital silence", Block(kBlock, 0), -inf, 0, 0, 0.0, 0.0, nan, ReadingValidity::NoSpeech},
        {"white noise", Noise(), nan, 0, 0, 0.0, 0.0, nan, ReadingValidity::NoSpeech},
        {"sine at -9.03 dBFS",
         Make([](int i) { return 16384.0 * std::sin(2 * kPi * 1000 * i / 11025.0); }),
         20 * std::log10(0.5 / std::sqrt(2.0)), 0, 0, 0.0, 0.0, nan, ReadingValidity::NoSpeech},
        {"clipped sine at 200 Hz", clippedSine, nan, 4096 * 2 / 3 - 40, 4096 * 2 / 3 + 40, 0.9, 1.0,
         200.0, ReadingValidity::Reading},
    };
    CSignalQuality quality;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SignalQuality q = quality.Measure(c.block.data());
        if (std::isinf(c.levelDbfs)) {
            EXPECT_EQ(q.levelDbfs, c.levelDbfs);
        } else if (std::isfinite(c.levelDbfs)) {
            EXPECT_NEAR(q.levelDbfs, c.levelDbfs, 0.05);
        }
        EXPECT_GE(q.clipped, c.minClipped);
        EXPECT_LE(q.clipped, c.maxClipped);
        EXPECT_GE(q.voicedShare, c.minVoiced);
        EXPECT_LE(q.voicedShare, c.maxVoiced);
        if (std::isnan(c.f0Hz)) {
            EXPECT_TRUE(std::isnan(q.f0Hz)) << q.f0Hz;
        } else {
            EXPECT_NEAR(q.f0Hz, c.f0Hz, 2.0);
        }
        EXPECT_EQ(JudgeReading(10.0, q.voicedShare), c.validity);
        // A band without energy is no signal, whatever was voiced.
        EXPECT_EQ(JudgeReading(kNoBandEnergyIndex, q.voicedShare), ReadingValidity::NoSignal);
    }
}

}  // namespace
