#include "analysis/volume_factor.h"

#include <gtest/gtest.h>

namespace {

// Each pair sits on one side of a step; negative values truncate toward zero, so the steps below
// zero come one value later than a floor would put them.
TEST(VolumeFactor, StepsAtEveryMultipleOfTwentyFiveTruncatingTowardZero) {
    EXPECT_EQ(VolumeFactor(0), 1);
    EXPECT_EQ(VolumeFactor(24), 1);
    EXPECT_EQ(VolumeFactor(25), 2);
    EXPECT_EQ(VolumeFactor(-24), 1);
    EXPECT_EQ(VolumeFactor(-25), 0);
    EXPECT_EQ(VolumeFactor(-49), 0);
    EXPECT_EQ(VolumeFactor(-50), -1);
    EXPECT_EQ(VolumeFactor(-99), -2);
    EXPECT_EQ(VolumeFactor(-100), -3);
    EXPECT_EQ(VolumeFactor(99), 4);
    EXPECT_EQ(VolumeFactor(100), 5);
}

TEST(VolumeFactor, AnyIntegerInTheControlIsUsedAsIs) {
    // The display hands on whatever integer the edit holds, beyond -100..100 too.
    EXPECT_EQ(VolumeFactor(250), 11);
    EXPECT_EQ(VolumeFactor(-250), -9);
}

}  // namespace
