// The recording's level for drawing: every stretch's extremes are kept whatever the length, and
// the memory stays bounded.
#include "analysis/level_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

TEST(LevelEnvelope, RangesHoldTheTrueExtremesAndTheSizeStaysBounded) {
    // Past the bound several times over (pieces of odd sizes), so that stretches merge.
    const std::size_t total = CLevelEnvelope::kMaxStretches * 16 * 5 + 12345;
    std::vector<std::int16_t> samples(total);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(-2000, 2000);
    for (auto& s : samples) s = static_cast<std::int16_t>(value(random));
    // Two spikes whose stretches the checks below look at.
    samples[1000003] = 32767;
    samples[total - 5] = -32768;
    CLevelEnvelope envelope(11025, 16);
    for (std::size_t at = 0; at < total;) {
        const std::size_t piece = std::min<std::size_t>(total - at, 4093);
        envelope.Put(samples.data() + at, piece);
        at += piece;
    }
    EXPECT_EQ(envelope.Samples(), total);
    EXPECT_LE(envelope.Stretches(), CLevelEnvelope::kMaxStretches);
    EXPECT_LE(envelope.Bytes(), 2 * CLevelEnvelope::kMaxStretches * sizeof(std::int16_t) * 2);

    const auto whole = envelope.Range(0.0, envelope.Seconds());
    EXPECT_EQ(whole.first, -32768);
    EXPECT_EQ(whole.second, 32767);
    const double spike = 1000003.0 / 11025.0;
    EXPECT_EQ(envelope.Range(spike, spike).second, 32767);
    // Far from both spikes: the true extremes of the noise, nothing beyond.
    const auto quiet = envelope.Range(200.0, 300.0);
    EXPECT_GE(quiet.first, -2000);
    EXPECT_LE(quiet.second, 2000);
    EXPECT_LT(quiet.first, -1900);
    EXPECT_EQ(envelope.Range(envelope.Seconds() + 1.0, envelope.Seconds() + 2.0),
              (std::pair<std::int16_t, std::int16_t>{0, 0}));
}

}  // namespace
