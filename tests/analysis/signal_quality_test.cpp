// Known answers of the signal quality measures on generated blocks, and the no-reading rule
// that follows from them.
#include "analysis/signal_quality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "analysis/reading_validity.h"

namespace {

using Block = std::vector<std::int16_t>;
const double kPi = std::acos(-1.0);

Block Make(const std::function<double(int)>& sample) {
    Block block(CSignalQuality::kBlockSize);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::int16_t>(std::clamp(std::lround(sample(i)), -32768L, 32767L));
    return block;
}

// A vowel-like sound: a 120 Hz glottal pulse train through a formant resonator at 700 Hz.
Block Vowel() {
    double phase = 0.0, y1 = 0.0, y2 = 0.0;
    const double r = 0.97, c = 2 * r * std::cos(2 * kPi * 700 / 11025);
    return Make([&](int) {
        phase += 120.0 / 11025.0;
        const double pulse = phase >= 1.0 ? 4000.0 : 0.0;
        phase -= std::floor(phase);
        const double y = pulse + c * y1 - r * r * y2;
        y2 = y1;
        return y1 = y;
    });
}

TEST(SignalQuality, KnownAnswersOfGeneratedBlocks) {
    const double none = std::nan(""), silent = -std::numeric_limits<double>::infinity();
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 6000.0);
    const struct Case {
        const char* name;
        Block block;
        double level;  // none: not checked
        int clipped;   // -1: not checked
        double minVoiced, maxVoiced, f0Hz;
        ReadingValidity validity;
    } cases[] = {
        {"vowel at 120 Hz", Vowel(), none, 0, 0.9, 1.0, 120.0, ReadingValidity::Reading},
        {"digital silence", Block(4096, 0), silent, 0, 0, 0, none, ReadingValidity::NoSpeech},
        {"white noise", Make([&](int) { return gauss(random); }), none, 0, 0, 0, none,
         ReadingValidity::NoSpeech},
        // 1000 Hz lies above any voice: periodic, yet not voiced.
        {"sine at -9.03 dBFS",
         Make([](int i) { return 16384 * std::sin(2 * kPi * 1000 * i / 11025); }),
         20 * std::log10(0.5 / std::sqrt(2.0)), 0, 0, 0, none, ReadingValidity::NoSpeech},
        // Twice full scale: |2 sin| >= 1 for two thirds of every period.
        {"clipped sine at 200 Hz",
         Make([](int i) { return 65536 * std::sin(2 * kPi * 200 * i / 11025); }), none, 2731, 0.9,
         1.0, 200.0, ReadingValidity::Reading},
    };
    CSignalQuality quality;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SignalQuality q = quality.Measure(c.block.data());
        if (!std::isnan(c.level)) {
            EXPECT_EQ(std::isinf(q.levelDbfs), std::isinf(c.level));
            EXPECT_NEAR(std::isinf(c.level) ? 0 : q.levelDbfs - c.level, 0.0, 0.05);
        }
        EXPECT_NEAR(q.clipped, c.clipped, c.clipped / 50.0);
        EXPECT_GE(q.voicedShare, c.minVoiced);
        EXPECT_LE(q.voicedShare, c.maxVoiced);
        EXPECT_EQ(std::isnan(q.f0Hz), std::isnan(c.f0Hz)) << q.f0Hz;
        if (!std::isnan(c.f0Hz)) {
            EXPECT_NEAR(q.f0Hz, c.f0Hz, 2.0);
        }
        EXPECT_EQ(JudgeReading(10.0, q.voicedShare), c.validity);
        EXPECT_EQ(JudgeReading(kNoBandEnergyIndex, q.voicedShare), ReadingValidity::NoSignal);
    }
}

}  // namespace
