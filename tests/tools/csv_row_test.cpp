#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "analysis/evaluation_csv.h"
#include "tools/progress_bar.h"

namespace {

using namespace kavrin_analyze;

TEST(CsvRow, DoublesAreShortestAndReadBackExactly) {
    EXPECT_EQ(FormatDouble(20.0), "20");
    EXPECT_EQ(FormatDouble(65535.0), "65535");
    EXPECT_EQ(FormatDouble(0.1), "0.1");
    EXPECT_EQ(FormatDouble(0.1 + 0.2), "0.30000000000000004");
    std::mt19937_64 random(7);
    for (int i = 0; i < 10000; ++i) {
        const double x = std::ldexp(static_cast<double>(random() >> 11), -40 + int(random() % 80));
        EXPECT_EQ(std::strtod(FormatDouble(x).c_str(), nullptr), x);
    }
}

TEST(CsvRow, HeaderAndColumnsInTheirOrder) {
    EXPECT_EQ(CsvHeader(false),
              "file,block,time_s,inst_freq,avg_freq,min_freq,max_freq,threshold,magnitude,"
              "avg_magnitude,under_threshold\n");
    EXPECT_EQ(CsvHeader(true).substr(CsvHeader(false).size() - 1),
              ",bin_8_0,bin_8_5,bin_9_0,bin_9_5,bin_10_0,bin_10_5,bin_11_0,bin_11_5,bin_12_0\n");
    EvaluationRow row;
    row.block = 3;
    row.timeSeconds = 1.5;
    row.instFreq = 21;
    row.avgFreq = 20.5;
    row.minFreq = 19;
    row.maxFreq = 23;
    row.threshold = 22;
    row.magnitude = 4;
    row.avgMagnitude = 3.25;
    row.underThreshold = 1;
    for (int j = 0; j < 9; ++j) row.bins[j] = j + 0.5;
    EXPECT_EQ(FormatRow("a,b.wav", row, false), "\"a,b.wav\",3,1.5,21,20.5,19,23,22,4,3.25,1\n");
    EXPECT_EQ(FormatRow("x.wav", row, true),
              "x.wav,3,1.5,21,20.5,19,23,22,4,3.25,1,0.5,1.5,2.5,3.5,4.5,5.5,6.5,7.5,8.5\n");
    EXPECT_EQ(QuoteCsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
}

TEST(ProgressBar, ShowsTheShareDone) {
    EXPECT_EQ(ProgressBar::Render("f.wav", 0, 100, 10), "f.wav [          ] 0%");
    EXPECT_EQ(ProgressBar::Render("f.wav", 50, 100, 10), "f.wav [#####     ] 50%");
    EXPECT_EQ(ProgressBar::Render("f.wav", 150, 100, 10), "f.wav [##########] 100%");
}

}  // namespace
