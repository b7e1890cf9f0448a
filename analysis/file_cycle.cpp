#include "analysis/file_cycle.h"

#include <algorithm>

#include "analysis/volume_factor.h"

CFileCycle::CFileCycle(std::int32_t volume, std::int32_t thresholdAdjust, bool quality)
    : m_analyzer(std::make_unique<CTremorAnalyzer>()),
      // The file source's window gain for a "Volume adjust" value.
      m_windowGain(static_cast<double>(3 * VolumeFactor(volume))) {
    // As a fresh file analyzer, then the File command, leave it.
    m_analyzer->m_underThreshold = 1;
    m_analyzer->ResetStatistics();
    m_analyzer->Reset();
    m_analyzer->m_thresholdPercent = thresholdAdjust;
    if (quality) m_analyzer->EnableSignalQuality();
    m_pending.reserve(3 * kBlock);
}

CFileCycle::~CFileCycle() = default;

void CFileCycle::Put(const std::int16_t* samples, std::size_t count, const RowFn& row) {
    while (count > 0) {
        // Samples of the lead-in are played, never analysed.
        if (m_received < kLeadInSamples) {
            const auto skip = static_cast<std::size_t>(
                std::min<std::uint64_t>(count, kLeadInSamples - m_received));
            m_received += skip;
            samples += skip;
            count -= skip;
            continue;
        }
        // Cycle n shifts in the block after the lead-in's (n - 1) blocks; it is the last when the
        // read ahead of the block after it reaches the end, so it waits for one sample beyond.
        const std::size_t room = 2 * kBlock + 1 - m_pending.size();
        const std::size_t take = std::min(count, room);
        m_pending.insert(m_pending.end(), samples, samples + take);
        m_received += take;
        samples += take;
        count -= take;
        if (m_pending.size() == 2 * kBlock + 1) {
            Evaluate(false, row);
            m_pending.erase(m_pending.begin(), m_pending.begin() + kBlock);
            m_pendingStart += kBlock;
        }
    }
}

void CFileCycle::Finish(const RowFn& row) {
    if (m_finished) return;
    m_finished = true;
    Evaluate(true, row);
}

void CFileCycle::Evaluate(bool last, const RowFn& row) {
    CTremorAnalyzer& analyzer = *m_analyzer;
    ++m_block;
    if (last) {
        // The read reached the end: the run closes, resets and evaluates the cleared history.
        analyzer.Reset();
    } else {
        analyzer.ShiftHistory(m_pending.data());
    }
    analyzer.ApplyWindow(m_windowGain, 0);
    analyzer.StampBlockEnd(FileBlockEndSeconds(m_block, 2 * m_received));
    analyzer.Evaluate();
    EvaluationRow evaluated = analyzer.LastEvaluation();
    evaluated.source = EvaluationSource::File;
    row(evaluated);
}
