// A whole analyzer on its fast paths (tabulated window, fused band pass) against the
// straightforward analysis: the same windowed values, band frequency, magnitude and statistics
// on every block.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "tests/analysis/reference_analysis.h"
#include "tests/analysis/test_signals.h"

namespace {

constexpr int kSize = CTremorAnalyzer::kHistorySize;
constexpr int kBlock = CTremorAnalyzer::kBlockSize;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
constexpr int kScale = 4;
#else
constexpr int kScale = 1;
#endif

struct FastAnalyzer : CTremorAnalyzer {
    using CTremorAnalyzer::BinMagnitudeReplaced;
};

struct ReplacingAnalyzer : CTremorAnalyzer {
    using CTremorAnalyzer::BinMagnitudeReplaced;
    double BinMagnitude(int bin) override { return bin == 143 ? 1.0 : 0.0; }
};

struct DerivedFastAnalyzer : FastAnalyzer {};

template <typename T>
std::uint64_t Bits(T value) {
    return std::bit_cast<std::uint64_t>(static_cast<double>(value));
}

// Compares every result; false (after reporting) at the first difference.
bool SameResults(CTremorAnalyzer& fast, CReferenceAnalysis& reference, int block) {
    static double fastWindow[kSize];
    static double referenceWindow[kSize];
    fast.CopyWindowed(fastWindow);
    reference.CopyWindowed(referenceWindow);
    if (std::memcmp(fastWindow, referenceWindow, sizeof(fastWindow)) != 0) {
        ADD_FAILURE() << "windowed values differ at block " << block;
        return false;
    }
    struct Pair {
        const char* name;
        std::uint64_t fast;
        std::uint64_t reference;
    };
    const Pair pairs[] = {
        {"m_instFreq", Bits(fast.m_instFreq.Load()), Bits(reference.m_instFreq.Load())},
        {"m_magnitude", Bits(fast.m_magnitude.Load()), Bits(reference.m_magnitude.Load())},
        {"m_avgFreq", Bits(fast.m_avgFreq.Load()), Bits(reference.m_avgFreq.Load())},
        {"m_minFreq", Bits(fast.m_minFreq.Load()), Bits(reference.m_minFreq.Load())},
        {"m_maxFreq", Bits(fast.m_maxFreq.Load()), Bits(reference.m_maxFreq.Load())},
        {"m_avgMagnitude", Bits(fast.m_avgMagnitude.Load()), Bits(reference.m_avgMagnitude.Load())},
        {"m_magnitudeSum", Bits(fast.m_magnitudeSum.Load()), Bits(reference.m_magnitudeSum.Load())},
        {"m_freqSum", Bits(fast.m_freqSum.Load()), Bits(reference.m_freqSum.Load())},
        {"m_blockCount", fast.m_blockCount.Load(), reference.m_blockCount.Load()},
        {"m_threshold", fast.m_threshold.Load(), reference.m_threshold.Load()},
        {"m_underThreshold", static_cast<std::uint64_t>(fast.m_underThreshold.Load()),
         static_cast<std::uint64_t>(reference.m_underThreshold.Load())},
    };
    for (const Pair& p : pairs) {
        if (p.fast != p.reference) {
            ADD_FAILURE() << p.name << " differs at block " << block;
            return false;
        }
    }
    return true;
}

TEST(FastAnalysis, OnlyAReplacedBinMagnitudeIsAskedThroughTheSlot) {
    auto fast = std::make_unique<FastAnalyzer>();
    auto derived = std::make_unique<DerivedFastAnalyzer>();
    auto replacing = std::make_unique<ReplacingAnalyzer>();
#if defined(__GNUC__) && !defined(__clang__)
    // Only GCC can look into the slot; elsewhere every analyzer is asked through it.
    EXPECT_FALSE(fast->BinMagnitudeReplaced());
    EXPECT_FALSE(derived->BinMagnitudeReplaced());
#endif
    EXPECT_TRUE(replacing->BinMagnitudeReplaced());
    // The replacement decides the band: only the top bin has energy, which reads index 39.
    EXPECT_EQ(replacing->BandFrequency(), 39);
}

TEST(FastAnalysis, GivesTheStraightforwardResultsOnEveryBlock) {
    auto fast = std::make_unique<FastAnalyzer>();
    auto reference = std::make_unique<CReferenceAnalysis>();
    std::mt19937 random(31);
    std::int16_t block[kBlock];

    // Segments of speech, tones, noise and silence, each windowed as one of the sources at one
    // of the volumes, with statistics resets and threshold changes in between.
    struct Segment {
        int kind;  // 0 speech, 1 tones, 2 noise, 3 silence, 4 full-scale square
        double gain;
        std::int16_t offset;
        int percent;
    };
    const Segment segments[] = {
        {0, 3.0, 512, 80},  {1, 1.0, 0, 80},    {0, 3.0, 0, 50},   {3, 3.0, 0, 80},
        {3, 3.0, 512, 80},  {0, -9.0, 512, 80}, {2, 3.0, 512, 0},  {4, 3.0, 512, 100},
        {0, 0.0, 512, 80},  {1, 15.0, 0, 80},   {0, 6.0, 512, 65}, {2, -3.0, 0, -20},
        {0, 3.0, 512, 130}, {1, 3.0, 512, 80},
    };
    const int blocksPerSegment = 100 / kScale;
    test_signals::CSpeechLike speech(77, 1.2);
    long sampleIndex = 0;
    int blockNumber = 0;
    for (const Segment& segment : segments) {
        fast->m_thresholdPercent = segment.percent;
        reference->m_thresholdPercent = segment.percent;
        if (segment.kind == 3) {
            fast->ResetStatistics();
            reference->ResetStatistics();
        }
        for (int b = 0; b < blocksPerSegment; ++b) {
            switch (segment.kind) {
                case 0:
                    speech.NextBlock(block);
                    break;
                case 1:
                    test_signals::TonesBlock({{9.5, 3000.0}, {10.7, 2000.0}, {150.0, 8000.0}},
                                             sampleIndex, block);
                    break;
                case 2:
                    test_signals::NoiseBlock(random, 6000.0, block);
                    break;
                case 3:
                    std::memset(block, 0, sizeof(block));
                    break;
                default:
                    for (int i = 0; i < kBlock; ++i)
                        block[i] = ((sampleIndex + i) / 551) % 2 ? 32767 : -32768;
                    break;
            }
            sampleIndex += kBlock;
            fast->ShiftHistory(block);
            fast->ApplyWindow(segment.gain, segment.offset);
            fast->Evaluate();
            reference->AnalyzeBlock(block, segment.gain, segment.offset);
            if (!SameResults(*fast, *reference, blockNumber)) return;
            ++blockNumber;
        }
    }
    EXPECT_EQ(blockNumber, blocksPerSegment * static_cast<int>(std::size(segments)));
}

}  // namespace
