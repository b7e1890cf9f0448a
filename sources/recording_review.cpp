#include "sources/recording_review.h"

#include <exception>
#include <utility>

#include "analysis/file_cycle.h"
#include "analysis/signal_quality.h"
#include "analysis/tremor_analyzer.h"
#include "platform/audio_files/audio_decoder.h"

CRecordingReview::~CRecordingReview() {
    Cancel();
    Wait();
}

void CRecordingReview::Start(const std::string& path, std::int32_t volume,
                             std::int32_t thresholdAdjust, std::function<void()> done) {
    Cancel();
    Wait();
    m_cancel = false;
    m_framesRead = 0;
    m_framesTotal = 0;
    m_result = std::make_unique<ReviewResult>();
    m_result->path = path;
    m_done = std::move(done);
    m_running = true;
    m_worker = std::thread([this, volume, thresholdAdjust] { Run(volume, thresholdAdjust); });
}

void CRecordingReview::Cancel() {
    m_cancel = true;
}

void CRecordingReview::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

std::unique_ptr<ReviewResult> CRecordingReview::Take() {
    Wait();
    return std::move(m_result);
}

void CRecordingReview::Run(std::int32_t volume, std::int32_t thresholdAdjust) {
    ReviewResult& result = *m_result;
    try {
        platform::CAudioDecoder decoder;
        decoder.Open(result.path);
        result.sourceRate = decoder.SourceRate();
        result.sourceChannels = decoder.SourceChannels();
        m_framesTotal = decoder.SourceFrames();
        // Each row carries the signal quality of the block its cycle shifted in, as the live
        // rows do.
        CFileCycle cycle(volume, thresholdAdjust, true);
        const CFileCycle::RowFn take = [&](const EvaluationRow& row) {
            result.rows.push_back(row);
        };
        std::vector<std::int16_t> buffer(std::size_t{1} << 15);
        for (;;) {
            if (m_cancel.load()) {
                result.cancelled = true;
                break;
            }
            const std::size_t got = decoder.Read(buffer.data(), buffer.size());
            m_framesRead = decoder.SourceFramesRead();
            if (got == 0) {
                cycle.Finish(take);
                break;
            }
            result.envelope.Put(buffer.data(), got);
            cycle.Put(buffer.data(), got, take);
        }
        result.warning = decoder.Warning();
        result.clippedSamples = decoder.ClippedSamples();
    } catch (const std::exception& error) {
        result.error = error.what();
    }
    m_running = false;
    if (m_done) m_done();
}
