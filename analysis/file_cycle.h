// The file source's analysis cycle over a stream of 16-bit mono samples, without a device: what
// a file run evaluates, as fast as the samples arrive. The layout is the file source's: the
// first 8192 samples (16384 bytes) are played there but never analysed, each cycle shifts in the
// next 4096 samples, and the cycle whose read reaches the end of the stream evaluates a cleared
// history. A row's time is where the block it shifted in ends, capped at the stream's length, in
// seconds (bytes / 22050): kavrin-analyze's time_s.
//
// Used where a recording is analysed whole (the review of a recording, plugin hosts), so that
// every consumer gets the rows kavrin-analyze --decode gives for the same samples.
//
// Threads: one object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "analysis/tremor_analyzer.h"

class CFileCycle {
public:
    // Called after each evaluation with its row (source File, numbered from 1).
    using RowFn = std::function<void(const EvaluationRow& row)>;

    // The form's "Volume adjust" and "Threshold adjust" as a file run takes them at its start;
    // with `quality`, every row carries the signal quality of the block its cycle shifted in.
    CFileCycle(std::int32_t volume, std::int32_t thresholdAdjust, bool quality = false);
    ~CFileCycle();
    CFileCycle(const CFileCycle&) = delete;
    CFileCycle& operator=(const CFileCycle&) = delete;

    // The next samples of the stream; evaluates every cycle that is known not to be the last.
    void Put(const std::int16_t* samples, std::size_t count, const RowFn& row);
    // End of the stream: the last cycle, which evaluates the cleared history. Put after Finish is
    // not allowed; a second Finish does nothing.
    void Finish(const RowFn& row);

    // Samples taken so far.
    std::uint64_t Samples() const { return m_received; }
    // Evaluations made so far.
    std::uint64_t Blocks() const { return m_block; }

    CTremorAnalyzer& Analyzer() { return *m_analyzer; }

private:
    static constexpr std::uint64_t kLeadInSamples = 8192;
    static constexpr std::size_t kBlock = CTremorAnalyzer::kBlockSize;

    void Evaluate(bool last, const RowFn& row);

    std::unique_ptr<CTremorAnalyzer> m_analyzer;
    double m_windowGain;
    std::vector<std::int16_t> m_pending;  // samples from m_pendingStart on, not yet shifted in
    std::uint64_t m_pendingStart = kLeadInSamples;
    std::uint64_t m_received = 0;
    std::uint64_t m_block = 0;
    bool m_finished = false;
};
