#include "sources/global_analyzers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The two analyzers exist, untouched, before anything starts them.
TEST(GlobalAnalyzers, ExistWithTheirInitialValues) {
    EXPECT_EQ(g_liveAnalyzer.m_toneMode, 0);
    EXPECT_EQ(g_liveAnalyzer.m_toneFrequency, 10.0);
    EXPECT_EQ(g_liveAnalyzer.m_toneAmplitude, 10);
    EXPECT_EQ(g_liveAnalyzer.m_toneCoefficient,
              2.0 * std::cos(4.0 * std::atan(1.0) * 10.0 * 2.0 / 11025.0));
    EXPECT_EQ(g_liveAnalyzer.m_windowOffset, 512);
    EXPECT_EQ(g_liveAnalyzer.m_windowGain, 3.0);
    EXPECT_EQ(g_liveAnalyzer.m_thresholdPercent, 80);
    EXPECT_EQ(g_liveAnalyzer.m_event.load(), nullptr);
    EXPECT_FALSE(g_liveAnalyzer.m_thread.Exists());

    EXPECT_EQ(g_fileAnalyzer.m_position, 0u);
    EXPECT_EQ(g_fileAnalyzer.m_volume, 0);
    EXPECT_EQ(g_fileAnalyzer.m_thresholdPercent, 80);
    EXPECT_EQ(g_fileAnalyzer.m_underThreshold, 1);
    EXPECT_FALSE(g_fileAnalyzer.m_file.IsOpen());
    EXPECT_EQ(g_fileAnalyzer.m_event.load(), nullptr);
    EXPECT_EQ(g_fileAnalyzer.m_hWaveOut, nullptr);
}

}  // namespace
