#include "sources/recording_review.h"

#include <exception>
#include <utility>

#include "analysis/file_cycle.h"
#include "analysis/signal_quality.h"
#include "analysis/tremor_analyzer.h"
#include "platform/audio_files/audio_decoder.h"

EvaluationRecord RecordOfEvaluation(CTremorAnalyzer& analyzer, std::uint64_t block,
                                    double timeSeconds, EvaluationSource source) {
    EvaluationRecord row;
    row.timeSeconds = timeSeconds;
    row.block = static_cast<std::uint32_t>(block);
    row.source = source;
    row.instFreq = analyzer.m_instFreq;
    row.avgFreq = analyzer.m_avgFreq;
    row.minFreq = analyzer.m_minFreq;
    row.maxFreq = analyzer.m_maxFreq;
    row.threshold = analyzer.m_threshold;
    row.magnitude = analyzer.m_magnitude;
    row.avgMagnitude = analyzer.m_avgMagnitude;
    row.underThreshold = analyzer.m_underThreshold;
    return row;
}

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
        CFileCycle cycle(volume, thresholdAdjust);
        // Each row carries the signal quality of the block its cycle shifted in, as the live
        // rows do.
        CSignalQuality quality;
        std::int16_t block[CTremorAnalyzer::kBlockSize] = {};
        const CFileCycle::RowFn take = [&](CTremorAnalyzer& analyzer, std::uint64_t index,
                                           double time) {
            EvaluationRecord row =
                RecordOfEvaluation(analyzer, index, time, EvaluationSource::File);
            analyzer.CopyNewestBlock(block);
            row.quality = quality.Measure(block);
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
