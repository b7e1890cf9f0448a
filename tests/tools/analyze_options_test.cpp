#include "tools/analyze_options.h"

#include <gtest/gtest.h>

namespace {

using kavrin_analyze::ParseOptions;

TEST(AnalyzeOptions, FilesWithTheFormsStartValues) {
    const auto r = ParseOptions({"a.wav", "b.WAV"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.files, (std::vector<std::string>{"a.wav", "b.WAV"}));
    EXPECT_EQ(r.options.volume, 10);
    EXPECT_EQ(r.options.thresholdAdjust, 75);
    EXPECT_FALSE(r.options.bins);
    EXPECT_FALSE(r.options.tone.has_value());
}

TEST(AnalyzeOptions, ToneNeedsAllThreeValues) {
    auto r = ParseOptions({"--tone", "11.5", "--amplitude=1000", "--blocks", "8", "--bins",
                           "--volume", "-30", "--threshold-adjust", "50"});
    ASSERT_EQ(r.error, "");
    ASSERT_TRUE(r.options.tone.has_value());
    EXPECT_EQ(r.options.tone->frequency, 11.5);
    EXPECT_EQ(r.options.tone->amplitude, 1000u);
    EXPECT_EQ(r.options.tone->blocks, 8u);
    EXPECT_EQ(r.options.volume, -30);
    EXPECT_EQ(r.options.thresholdAdjust, 50);
    EXPECT_TRUE(r.options.bins);

    EXPECT_NE(ParseOptions({"--tone", "10", "--blocks", "3"}).error, "");
    EXPECT_NE(ParseOptions({"--tone", "10", "--amplitude", "3", "--blocks", "3", "x.wav"}).error,
              "");
}

TEST(AnalyzeOptions, RejectsBadValuesWithAReason) {
    EXPECT_NE(ParseOptions({}).error, "");
    EXPECT_NE(ParseOptions({"--frobnicate", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--volume"}).error, "");
    EXPECT_NE(ParseOptions({"--volume", "ten", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--volume", "12x", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--volume", "99999999999", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--tone", "22001", "--amplitude", "1", "--blocks", "1"}).error, "");
    EXPECT_NE(ParseOptions({"--tone", "-1", "--amplitude", "1", "--blocks", "1"}).error, "");
    EXPECT_NE(ParseOptions({"--tone", "10", "--amplitude", "32001", "--blocks", "1"}).error, "");
    EXPECT_NE(ParseOptions({"--tone", "10", "--amplitude", "1", "--blocks", "0"}).error, "");
    EXPECT_NE(ParseOptions({"--bins=yes", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--segments", "l.txt", "a.wav", "b.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--segments", "l.txt", "--bins", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--lamp-mode", "green", "a.wav"}).error, "");
    EXPECT_EQ(
        ParseOptions({"--segments=l.eaf", "--lamp-mode", "avg-relative", "a.wav"}).options.lampMode,
        kavrin::LampMode::AvgRelative);
}

TEST(AnalyzeOptions, HelpAndVersionNeedNoInputAndDashesEndOptions) {
    EXPECT_TRUE(ParseOptions({"--help"}).options.help);
    EXPECT_TRUE(ParseOptions({"--version"}).options.version);
    const auto r = ParseOptions({"--", "--bins"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.files, (std::vector<std::string>{"--bins"}));
    EXPECT_FALSE(r.options.bins);
}

}  // namespace
