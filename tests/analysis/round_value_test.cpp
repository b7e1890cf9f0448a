#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysis/tremor_analyzer.h"

namespace {

std::uint16_t Low16(double x) {
    return static_cast<std::uint16_t>(CTremorAnalyzer::RoundValue(x));
}

TEST(RoundValue, HalvesGoDownAndAnythingAboveGoesUp) {
    EXPECT_EQ(CTremorAnalyzer::RoundValue(2.5), 2);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(2.5000001), 3);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(2.51), 3);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(2.0), 2);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(0.49), 0);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(-2.7),
              -2);  // truncation toward zero, then x > t + 0.5 fails
    EXPECT_EQ(CTremorAnalyzer::RoundValue(-2.2), -2);
}

TEST(RoundValue, CallersKeepTheLowSixteenBits) {
    EXPECT_EQ(Low16(65535.7), 0);
    EXPECT_EQ(Low16(65535.4), 65535);
    EXPECT_EQ(Low16(70000.0), 70000 - 65536);
    EXPECT_EQ(Low16(-1.0), 65535);
}

TEST(RoundValue, IsDefinedForEveryDouble) {
    EXPECT_EQ(CTremorAnalyzer::RoundValue(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(-std::numeric_limits<double>::infinity()), 0);
    // Beyond 32 bits the whole number wraps modulo 2^32.
    EXPECT_EQ(CTremorAnalyzer::RoundValue(4294967296.0 + 7.0), 7);
    EXPECT_EQ(Low16(2147483648.0 + 65536.0 * 3 + 12.0), 12);
    EXPECT_EQ(CTremorAnalyzer::RoundValue(-4294967296.0 - 5.0), -5);
    EXPECT_EQ(Low16(1e300), 0);  // a multiple of 2^32 far beyond it
}

}  // namespace
