// The review of a recording: decodes it and analyses it whole on a worker thread of its own, as
// fast as the processor allows, with an analyzer of its own (never the two global ones, which
// keep serving whatever source runs). The rows are kavrin-analyze --decode's for the same file
// and settings; beside them it keeps the recording's level envelope for drawing.
//
// Threads: Start, Cancel, Wait and Take run on one thread (the user-interface thread); the
// progress and state queries may run anywhere; the worker touches nothing else.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/evaluation_ring.h"
#include "analysis/level_envelope.h"

struct ReviewResult {
    std::string path;
    std::vector<EvaluationRow> rows;  // source File, lamp not yet judged
    CLevelEnvelope envelope;
    std::string error;    // why the review stopped (the file cannot be read, say)
    std::string warning;  // the recording ended early (damaged data), the rows up to there kept
    bool cancelled = false;
    int sourceRate = 0;
    int sourceChannels = 0;
    std::uint64_t clippedSamples = 0;
};

class CRecordingReview {
public:
    CRecordingReview() = default;
    ~CRecordingReview();  // cancels and joins a review in progress
    CRecordingReview(const CRecordingReview&) = delete;
    CRecordingReview& operator=(const CRecordingReview&) = delete;

    // Starts reviewing `path` with the form's two adjust values as they are now. `done` runs on
    // the worker once the result is complete (or cancelled); it must only hand over to the
    // starter's thread. A review in progress is cancelled first.
    void Start(const std::string& path, std::int32_t volume, std::int32_t thresholdAdjust,
               std::function<void()> done = {});
    // Asks the worker to stop at the next chunk; the result then says cancelled.
    void Cancel();
    // Joins the worker; the result is complete afterwards.
    void Wait();
    bool Running() const { return m_running.load(); }

    // Progress: source frames read and announced (0 when the file does not say).
    std::uint64_t FramesRead() const { return m_framesRead.load(); }
    std::uint64_t FramesTotal() const { return m_framesTotal.load(); }

    // After Wait (or once `done` has run): takes the result.
    std::unique_ptr<ReviewResult> Take();

private:
    void Run(std::int32_t volume, std::int32_t thresholdAdjust);

    std::thread m_worker;
    std::unique_ptr<ReviewResult> m_result;
    std::function<void()> m_done;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::atomic<std::uint64_t> m_framesRead{0};
    std::atomic<std::uint64_t> m_framesTotal{0};
};
