// The analysis in its straightforward form, the oracle for the fast paths: a library cosine for
// every window value, and the nine band bins asked one by one through the BinMagnitude slot (the
// base's oscillator pass, one bin at a time). Shared by the tests and the benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <mutex>

#include "analysis/tremor_analyzer.h"

class CReferenceAnalysis : public CTremorAnalyzer {
public:
    // m_windowed[i] = (1 - cos(i * 2 pi / 16384)) * (gain * m_history[i] + offset).
    void ApplyWindowByCosine(double gain, std::int16_t offset) {
        std::lock_guard<std::mutex> guard(m_dataLock);
        for (int i = 0; i < kHistorySize; ++i) {
            const double window = 1.0 - std::cos(i * kWindowStep);
            const double scaled = gain * m_history[i] + offset;
            m_windowed[i] = window * scaled;
        }
    }

    void BandMagnitudesOneByOne(double (&m)[kBandBinCount]) {
        for (int j = 0; j < kBandBinCount; ++j)
            m[j] = BinMagnitude(kFirstBandBin + kBandBinStep * j);
    }

    // Evaluate, step by step, with the band magnitudes asked one by one.
    int EvaluateOneByOne() {
        m_magnitude = static_cast<double>(BlockMagnitude());
        double m[kBandBinCount];
        BandMagnitudesOneByOne(m);
        const auto f = static_cast<std::uint16_t>(BandIndexFromMagnitudes(m));
        m_instFreq = static_cast<double>(f);
        if (f > m_maxFreq) m_maxFreq = static_cast<double>(f);
        if (f < m_minFreq) m_minFreq = static_cast<double>(f);
        UpdateStatistics(m_magnitude, f);
        const double d = m_maxFreq - m_minFreq;
        if (d > 0) {
            const double percent = static_cast<double>(m_thresholdPercent.Load());
            m_threshold =
                static_cast<std::uint16_t>(RoundValue(m_minFreq + (d * percent + 1) * 0.01));
        }
        m_underThreshold = (static_cast<double>(m_threshold) >= m_instFreq) ? 1 : 0;
        return 1;
    }

    // One block's analysis: shift, window, evaluate.
    void AnalyzeBlock(const std::int16_t* block, double gain, std::int16_t offset) {
        ShiftHistory(block);
        ApplyWindowByCosine(gain, offset);
        EvaluateOneByOne();
    }
};
