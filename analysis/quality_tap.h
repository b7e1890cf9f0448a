// The signal quality of each evaluated block, for the runners and the plugin: measured on the block
// the evaluation's cycle shifted in, right after the evaluation, on the pump.
#pragma once

#include <cstdint>
#include <memory>

#include "analysis/evaluation_csv.h"
#include "analysis/signal_quality.h"
#include "analysis/tremor_analyzer.h"

namespace kavrin_analyze {

class CQualityTap {
public:
    // Nothing is measured (or allocated) when `enabled` is false.
    explicit CQualityTap(bool enabled)
        : m_quality(enabled ? std::make_unique<CSignalQuality>() : nullptr) {}

    void Fill(CTremorAnalyzer& analyzer, EvaluationRow& row) {
        if (!m_quality) return;
        analyzer.CopyNewestBlock(m_block);
        row.quality = m_quality->Measure(m_block);
    }

private:
    std::unique_ptr<CSignalQuality> m_quality;
    std::int16_t m_block[CTremorAnalyzer::kBlockSize] = {};
};

}  // namespace kavrin_analyze
