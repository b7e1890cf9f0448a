// CTremorAnalyzer: the part of the analysis that does not depend on where samples come from.
// A 16384-sample history (four blocks of 4096), its windowed copy, nine band bins between 8 and
// 12 Hz, the band frequency (the point below which half the band's energy lies) and running
// statistics of it. Every value comes out bit for bit from a fixed order of double operations.
//
// Threads: Analyze and everything it calls run on the analyzer's block pump. The user-interface
// thread reads the results, calls BinMagnitude and writes m_thresholdPercent meanwhile; the
// arrays are guarded by m_dataLock for those crossings, the scalars are atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "analysis/evaluation_ring.h"
#include "analysis/shared_value.h"
#include "analysis/signal_quality.h"

class CTremorAnalyzer {
public:
    static constexpr int kBlockSize = 4096;
    static constexpr int kHistorySize = 16384;
    static constexpr int kBandBinCount = kEvaluationBandBins;
    static constexpr int kFirstBandBin = 95;
    static constexpr int kBandBinStep = 6;
    static constexpr int kBandPointCount = 41;
    // 2 pi / 16384 and 2 pi / 131072, exactly as the doubles the analysis is defined with.
    static constexpr double kWindowStep = 0.0003834951969714103;
    static constexpr double kBinStep = 4.7936899621426287e-05;

    CTremorAnalyzer();
    CTremorAnalyzer(const CTremorAnalyzer&) = delete;
    CTremorAnalyzer& operator=(const CTremorAnalyzer&) = delete;

    // Virtual slots, in this order in every derived class.
    virtual void Reset();
    virtual int FetchBlock();
    virtual int Analyze(void* block);
    virtual double BinMagnitude(int bin);
    virtual ~CTremorAnalyzer();

    void ResetStatistics();
    void ShiftHistory(const std::int16_t* newBlock);
    void ApplyWindow(double gain, std::int16_t offset);
    int Evaluate();
    std::uint16_t BlockMagnitude();
    std::uint16_t BandFrequency();
    void UpdateStatistics(double magnitude, double freq);

    // Truncates toward zero and adds 1 only above an exact half. Defined for every input:
    // NaN and infinities give 0, values outside 32 bits wrap modulo 2^32.
    static std::int32_t RoundValue(double x);

    // Interpolates the nine band magnitudes to 41 points and finds the index at which the running
    // sum first reaches half the total; -1 when the total is not above zero.
    static int BandIndexFromMagnitudes(const double (&magnitudes)[kBandBinCount]);

    // The nine band magnitudes of the current window (bins 95, 101, ..., 143), each identical to
    // BinMagnitude's, from one fused pass under one take of the lock. For the display's bars.
    void BandMagnitudes(double (&out)[kBandBinCount]);
    // The nine magnitudes the last Evaluate found the band frequency from (zeros before the
    // first): after an evaluation the same bits BandMagnitudes gives, without a second pass.
    void EvaluatedBandMagnitudes(double (&out)[kBandBinCount]);

    // Copies of the arrays for inspection (tests, tools); taken under the lock.
    void CopyHistory(std::int16_t (&out)[kHistorySize]);
    void CopyWindowed(double (&out)[kHistorySize]);
    // The newest block of the history: after an evaluation, the block its cycle shifted in (all
    // zeros when the cycle cleared the history). Taken under the lock.
    void CopyNewestBlock(std::int16_t (&out)[kBlockSize]);

    std::int16_t m_history[kHistorySize] = {};
    double m_windowed[kHistorySize] = {};
    SharedValue<double> m_avgFreq{20.0};
    SharedValue<double> m_maxFreq{0.0};
    SharedValue<double> m_minFreq{40.0};
    SharedValue<double> m_avgMagnitude{8000.0};
    SharedValue<double> m_magnitude{0.0};
    SharedValue<double> m_instFreq{0.0};
    SharedValue<double> m_magnitudeSum{0.0};
    SharedValue<double> m_freqSum{20.0};
    SharedValue<std::int16_t> m_windowOffset{0};
    SharedValue<double> m_windowGain{0.0};
    SharedValue<std::uint32_t> m_blockCount{1};
    SharedValue<std::uint32_t> m_threshold{0};
    SharedValue<std::int32_t> m_thresholdPercent{80};
    SharedValue<std::int32_t> m_underThreshold{1};

    // The timeline's rows: once a session has begun, every Evaluate leaves one here.
    CEvaluationRing m_evaluations;
    // A new start of a source: evaluations count from 1 again under a new session number. Runs
    // on the user-interface thread before the session's pump starts. `name` names the session
    // (the file's path).
    void BeginEvaluationSession(EvaluationSource source, const std::string& name = {});
    // The source stamps, before each Evaluate, where in signal time the block that evaluation
    // shifted in ends: the one place a row's time is computed. Pump (the evaluating thread).
    void StampBlockEnd(double seconds) noexcept { m_blockEndSeconds = seconds; }
    // What a source stamps from: the number the coming evaluation will have in the session, and
    // the session's source. Evaluating thread.
    std::uint64_t NextEvaluationBlock() const {
        return m_sessionBlock.load(std::memory_order_relaxed) + 1;
    }
    EvaluationSource SessionSource() const {
        return m_sessionSource.load(std::memory_order_relaxed);
    }
    // The row of the evaluation that ran last: its results, the stamped time, the nine band
    // magnitudes and, once EnableSignalQuality was called, the block's quality. Rows are
    // numbered from 1 in the session (or since construction, outside one). Evaluating thread.
    const EvaluationRow& LastEvaluation() const { return m_lastRow; }
    std::uint32_t EvaluationSession() const { return m_session.load(); }
    // From the next evaluation on, every timeline row carries the signal quality of the block
    // its cycle shifted in (about 0.15 ms per block on the pump). User-interface thread; the
    // measuring object is made once, here, never on the pump.
    void EnableSignalQuality();
    // The name given to session `session`; empty for any other.
    std::string SessionName(std::uint32_t session) const;

protected:
    // Guards m_history, m_windowed and the derived classes' sample buffers against the
    // user-interface thread (display bins, resets). Held only briefly, never across a message.
    std::mutex m_dataLock;

    double m_evaluatedBands[kBandBinCount] = {};  // under m_dataLock

    // BinMagnitude on m_windowed, for callers that already hold m_dataLock.
    double BinMagnitudeLocked(int bin) const;

    // True when this object's BinMagnitude slot holds another function than the base's. The
    // band evaluation asks such a class through the slot, bin by bin.
    bool BinMagnitudeReplaced();

private:
    void LogEvaluation() noexcept;

    std::unique_ptr<CSignalQuality> m_signalQualityOwner;
    std::atomic<CSignalQuality*> m_signalQuality{nullptr};
    std::int16_t m_qualityBlock[kBlockSize] = {};  // pump only

    std::atomic<std::uint32_t> m_session{0};
    std::atomic<std::uint64_t> m_sessionBlock{0};
    std::atomic<EvaluationSource> m_sessionSource{EvaluationSource::Line};
    double m_blockEndSeconds = 0.0;  // evaluating thread
    EvaluationRow m_lastRow;         // evaluating thread
    std::string m_sessionName;       // user-interface thread only
    std::uint32_t m_namedSession = 0;
};
