#include "analysis/tremor_analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// An analyzer whose nine band magnitudes are set by the test, answered through the virtual slot.
struct ScriptedBins : CTremorAnalyzer {
    double magnitudes[kBandBinCount] = {};
    std::vector<int> binsAsked;
    double BinMagnitude(int bin) override {
        binsAsked.push_back(bin);
        const int j = (bin - kFirstBandBin) / kBandBinStep;
        return magnitudes[j];
    }
    void Set(std::initializer_list<double> values) {
        int j = 0;
        for (double v : values) magnitudes[j++] = v;
    }
    void SetSingle(int j) {
        for (double& m : magnitudes) m = 0.0;
        magnitudes[j] = 1.0;
    }
};

struct PlainAnalyzer : CTremorAnalyzer {};

// The test tone: the same recurrence the generator runs, seeded at its zero crossing.
std::vector<std::int16_t> ToneBlocks(double frequency, double amplitude, int blocks) {
    const int n = CTremorAnalyzer::kBlockSize;
    const double omega = 4 * std::atan(1.0) * frequency * 2 / 11025.0;
    const double k = 2 * std::cos(omega);
    double before = -(std::sin(omega) * amplitude);
    double last = 0.0;
    std::vector<std::int16_t> out;
    for (int b = 0; b < blocks + 1; ++b) {  // the generator's first block is never analysed
        for (int i = 0; i < n; ++i) {
            const double d = k * last - before;
            before = last;
            last = d;
            if (b > 0) out.push_back(static_cast<std::int16_t>(static_cast<std::int32_t>(d)));
        }
    }
    return out;
}

int SteadyToneIndex(double frequency, double amplitude) {
    auto analyzer = std::make_unique<PlainAnalyzer>();
    const auto samples = ToneBlocks(frequency, amplitude, 4);
    for (int b = 0; b < 4; ++b)
        analyzer->ShiftHistory(samples.data() + b * CTremorAnalyzer::kBlockSize);
    analyzer->ApplyWindow(1.0, 0);
    analyzer->Evaluate();
    return static_cast<int>(analyzer->m_instFreq);
}

TEST(BandFrequency, FindsWhereHalfTheBandEnergyLies) {
    auto a = std::make_unique<ScriptedBins>();
    a->Set({5, 5, 5, 5, 5, 5, 5, 5, 5});
    EXPECT_EQ(a->BandFrequency(), 20);
    a->SetSingle(0);
    EXPECT_EQ(a->BandFrequency(), 1);
    a->SetSingle(8);
    EXPECT_EQ(a->BandFrequency(), 39);
    a->Set({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(a->BandFrequency(), 27);
    a->SetSingle(2);
    EXPECT_EQ(a->BandFrequency(), 10);
    a->Set({0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(a->BandFrequency(), 65535);
}

TEST(BandFrequency, AsksTheNineBandBinsThroughTheVirtualSlotInOrder) {
    auto a = std::make_unique<ScriptedBins>();
    a->BandFrequency();
    EXPECT_EQ(a->binsAsked, (std::vector<int>{95, 101, 107, 113, 119, 125, 131, 137, 143}));
}

TEST(BandFrequency, NonNumbersGiveANoEnergyResultInsteadOfRunningAway) {
    double m[CTremorAnalyzer::kBandBinCount] = {1, 1, 1, 1, NAN, 1, 1, 1, 1};
    EXPECT_EQ(CTremorAnalyzer::BandIndexFromMagnitudes(m), -1);
    double inf[CTremorAnalyzer::kBandBinCount] = {1, 1, 1, 1, INFINITY, 1, 1, 1, 1};
    const int index = CTremorAnalyzer::BandIndexFromMagnitudes(inf);
    EXPECT_GE(index, -1);
    EXPECT_LE(index, 40);
}

TEST(BlockMagnitude, ReadsExactlyTheStretchBeforeTheMiddle) {
    auto a = std::make_unique<PlainAnalyzer>();
    EXPECT_EQ(a->BlockMagnitude(), 0);  // 1 / 8192 rounds to 0
    a->m_windowed[7168] = -8192.0 * 3;  // magnitudes, not signed values
    EXPECT_EQ(a->BlockMagnitude(), 3);
    a->m_windowed[7168] = 0.0;
    a->m_windowed[9213] = 8192.0 * 5;
    EXPECT_EQ(a->BlockMagnitude(), 5);
    a->m_windowed[9213] = 0.0;
    a->m_windowed[9214] = 8192.0 * 7;
    a->m_windowed[9215] = 8192.0 * 7;
    a->m_windowed[7167] = 8192.0 * 7;
    EXPECT_EQ(a->BlockMagnitude(), 0);
    // Beyond 16 bits the magnitude wraps.
    a->m_windowed[8000] = 8192.0 * 65537;
    EXPECT_EQ(a->BlockMagnitude(), 1);
}

TEST(UpdateStatistics, RescalesTheSumsWhenTheCountPassesTenThousand) {
    auto a = std::make_unique<PlainAnalyzer>();
    for (int i = 0; i < 9999; ++i) a->UpdateStatistics(2.0, 20.0);
    EXPECT_EQ(a->m_blockCount, 10000u);
    EXPECT_DOUBLE_EQ(a->m_freqSum, 20.0 * 10000);
    a->UpdateStatistics(2.0, 30.0);
    // The means use 10001, then the sums drop to a thousandth and the count to 10.
    EXPECT_EQ(a->m_avgFreq, (20.0 * 10000 + 30.0) / 10001);
    EXPECT_EQ(a->m_blockCount, 10u);
    EXPECT_EQ(a->m_freqSum, (20.0 * 10000 + 30.0) * 0.001);
    EXPECT_EQ(a->m_magnitudeSum, (2.0 * 10000) * 0.001);
    a->UpdateStatistics(2.0, 20.0);
    EXPECT_EQ(a->m_blockCount, 11u);
    EXPECT_EQ(a->m_avgFreq, ((20.0 * 10000 + 30.0) * 0.001 + 20.0) / 11);
}

TEST(Evaluate, PlacesTheThresholdBetweenTheExtremesWithAnUpwardHalf) {
    auto a = std::make_unique<ScriptedBins>();
    a->m_thresholdPercent = 50;
    a->SetSingle(2);  // index 10
    a->Evaluate();
    EXPECT_EQ(a->m_minFreq, 10.0);
    EXPECT_EQ(a->m_maxFreq, 10.0);
    EXPECT_EQ(a->m_threshold, 0u);  // extremes equal: the old threshold stands
    a->SetSingle(3);                // index 15
    a->Evaluate();
    EXPECT_EQ(a->m_threshold, 13u);  // 10 + 2.51
    EXPECT_EQ(a->m_underThreshold, 0);

    auto b = std::make_unique<ScriptedBins>();
    b->m_thresholdPercent = 80;
    b->SetSingle(2);
    b->Evaluate();
    b->SetSingle(6);  // index 30
    b->Evaluate();
    EXPECT_EQ(b->m_threshold, 26u);  // 10 + 16.01

    b->m_thresholdPercent = 0;
    b->Evaluate();
    EXPECT_EQ(b->m_threshold, 10u);
    b->m_thresholdPercent = 100;
    b->Evaluate();
    EXPECT_EQ(b->m_threshold, 30u);
    EXPECT_EQ(b->m_underThreshold, 1);
}

TEST(Evaluate, ExtremePercentagesWrapInsteadOfMisbehaving) {
    auto a = std::make_unique<ScriptedBins>();
    a->m_thresholdPercent = 2000000000;
    a->SetSingle(2);
    a->Evaluate();
    a->SetSingle(3);
    a->Evaluate();
    // 10 + (5 * 2e9 + 1) * 0.01 = 100000000010.01, whose low 16 bits are kept.
    const double expected = 10 + (5.0 * 2000000000 + 1) * 0.01;
    const auto whole = static_cast<std::uint64_t>(expected);
    EXPECT_EQ(a->m_threshold, whole & 0xFFFF);
    a->m_thresholdPercent = -50;
    a->Evaluate();
    EXPECT_EQ(a->m_threshold, static_cast<std::uint32_t>(static_cast<std::uint16_t>(
                                  CTremorAnalyzer::RoundValue(10 + (5.0 * -50 + 1) * 0.01))));
}

TEST(Evaluate, AnEmptyBandEntersTheStatisticsAs65535) {
    auto a = std::make_unique<PlainAnalyzer>();
    a->ApplyWindow(1.0, 0);
    a->Evaluate();
    EXPECT_EQ(a->m_instFreq, 65535.0);
    EXPECT_EQ(a->m_maxFreq, 65535.0);
    EXPECT_EQ(a->m_avgFreq, (20.0 + 65535.0) / 2);
    EXPECT_EQ(a->m_magnitude, 0.0);
    EXPECT_EQ(a->m_avgMagnitude, 0.0);
}

TEST(Reset, RestoresStatisticsButKeepsTheLastResults) {
    auto a = std::make_unique<ScriptedBins>();
    a->SetSingle(2);
    a->Evaluate();
    a->SetSingle(6);
    a->Evaluate();
    const double inst = a->m_instFreq;
    const std::uint32_t threshold = a->m_threshold;
    a->m_history[5] = 7;
    a->m_windowed[5] = 7.0;
    a->Reset();
    EXPECT_EQ(a->m_avgFreq, 20.0);
    EXPECT_EQ(a->m_minFreq, 40.0);
    EXPECT_EQ(a->m_maxFreq, 0.0);
    EXPECT_EQ(a->m_avgMagnitude, 8000.0);
    EXPECT_EQ(a->m_freqSum, 20.0);
    EXPECT_EQ(a->m_magnitudeSum, 0.0);
    EXPECT_EQ(a->m_blockCount, 1u);
    EXPECT_EQ(a->m_instFreq, inst);
    EXPECT_EQ(a->m_threshold, threshold);
    EXPECT_EQ(a->m_history[5], 0);
    EXPECT_EQ(a->m_windowed[5], 0.0);
}

TEST(Construction, StartsFromTheInitialValues) {
    auto a = std::make_unique<PlainAnalyzer>();
    EXPECT_EQ(a->m_thresholdPercent, 80);
    EXPECT_EQ(a->m_underThreshold, 1);
    EXPECT_EQ(a->m_avgFreq, 20.0);
    EXPECT_EQ(a->m_freqSum, 20.0);
    EXPECT_EQ(a->m_blockCount, 1u);
    EXPECT_EQ(a->m_windowGain, 0.0);
    EXPECT_EQ(a->m_windowOffset, 0);
}

TEST(ShiftHistory, DropsTheOldestBlockAndAppendsTheNewOne) {
    auto a = std::make_unique<PlainAnalyzer>();
    std::vector<std::int16_t> block(CTremorAnalyzer::kBlockSize);
    for (int b = 1; b <= 5; ++b) {
        for (int i = 0; i < CTremorAnalyzer::kBlockSize; ++i)
            block[i] = static_cast<std::int16_t>(b * 1000 + i % 100);
        a->ShiftHistory(block.data());
    }
    EXPECT_EQ(a->m_history[0], 2000);
    EXPECT_EQ(a->m_history[4096 + 99], 3099);
    EXPECT_EQ(a->m_history[12288], 5000);
    EXPECT_EQ(a->m_history[16383], 5000 + 4095 % 100);
}

TEST(ApplyWindow, ScalesOffsetsAndWindowsWithARaisedCosineOfDoubleHeight) {
    auto a = std::make_unique<PlainAnalyzer>();
    for (int i = 0; i < CTremorAnalyzer::kHistorySize; ++i) a->m_history[i] = 100;
    a->ApplyWindow(3.0, 512);
    EXPECT_EQ(a->m_windowed[0], 0.0);
    EXPECT_EQ(a->m_windowed[8192], 2.0 * (300 + 512));
    EXPECT_EQ(a->m_windowed[4096], (1.0 - std::cos(4096 * CTremorAnalyzer::kWindowStep)) * 812.0);
    a->ApplyWindow(-9.0, 0);
    EXPECT_EQ(a->m_windowed[8192], -1800.0);
}

TEST(BinMagnitude, IsLargestAtTheToneAndZeroForSilence) {
    auto a = std::make_unique<PlainAnalyzer>();
    for (int bin = 95; bin <= 143; bin += 6) EXPECT_EQ(a->BinMagnitude(bin), 0.0);
    for (int i = 0; i < CTremorAnalyzer::kHistorySize; ++i)
        a->m_history[i] =
            static_cast<std::int16_t>(1000 * std::sin(i * 119 * CTremorAnalyzer::kBinStep));
    a->ApplyWindow(1.0, 0);
    const double peak = a->BinMagnitude(119);
    EXPECT_GT(peak, 20 * a->BinMagnitude(95));
    EXPECT_GT(peak, 20 * a->BinMagnitude(143));
    // Only the low 16 bits of the bin number count.
    EXPECT_EQ(a->BinMagnitude(119 + 65536), peak);
}

TEST(SteadyTone, ReadsTheMedianOfTheBandEnergy) {
    EXPECT_EQ(SteadyToneIndex(10.0, 1000), 20);
    EXPECT_EQ(SteadyToneIndex(9.0, 1000), 10);
    EXPECT_EQ(SteadyToneIndex(8.0, 1000), 4);
    EXPECT_EQ(SteadyToneIndex(11.5, 1000), 34);
    EXPECT_EQ(SteadyToneIndex(12.0, 1000), 36);
    EXPECT_EQ(SteadyToneIndex(10.0, 10), 20);
}

}  // namespace
