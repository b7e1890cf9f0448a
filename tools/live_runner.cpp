#include "tools/live_runner.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/audio_files/audio_decoder.h"
#include "platform/devices/inline_sound_card.h"
#include "platform/devices/simulated_sound_card.h"
#include "sources/live_analyzer.h"

namespace kavrin_analyze {
namespace {

constexpr std::uint64_t kBlock = CTremorAnalyzer::kBlockSize;

// The decoded samples handed to the simulated card as it asks for them, so that the replay
// holds a few chunks, never the whole recording. Fed on the card's thread, counted on the
// pump's, awaited on the caller's.
class ReplayFeed {
public:
    explicit ReplayFeed(const std::string& path) {
        m_decoder.Open(path);
        const double rate = m_decoder.SourceRate();
        m_announcedBlocks = static_cast<std::uint64_t>(
            static_cast<double>(m_decoder.SourceFrames()) * platform::kDecodedSampleRate / rate /
            static_cast<double>(kBlock));
    }

    std::size_t Feed(std::int16_t* samples, std::size_t count) {
        std::size_t got = 0;
        std::string error;
        try {
            got = m_decoder.Read(samples, count);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        std::lock_guard<std::mutex> guard(m_lock);
        m_fed += got;
        if (got == 0) {
            m_blocks = m_fed / kBlock;  // the partial block at the end is never captured
            m_error = error;
            m_changed.notify_all();
        }
        return got;
    }

    // After the evaluation of cycle `cycle`: whether its row is one of the file's blocks, and
    // the blocks to show progress against.
    bool Counts(std::uint64_t cycle, std::uint64_t* blocks) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_cycles = cycle;
        m_changed.notify_all();
        *blocks = m_blocks ? *m_blocks : std::max(m_announcedBlocks, cycle);
        return !m_blocks || cycle <= *m_blocks;
    }

    // Until the last whole block has been analysed; returns the decoding error, if any.
    std::string WaitForLastBlock() {
        std::unique_lock<std::mutex> guard(m_lock);
        m_changed.wait(guard, [this] { return m_blocks && m_cycles >= *m_blocks; });
        return m_error;
    }

    std::string Warning() const { return m_decoder.Warning(); }

private:
    platform::CAudioDecoder m_decoder;  // the card's thread only, once the capture runs
    std::uint64_t m_announcedBlocks = 0;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::uint64_t m_fed = 0;
    std::optional<std::uint64_t> m_blocks;  // known once the samples ended
    std::uint64_t m_cycles = 0;
    std::string m_error;
};

// The live analyzer in capture mode, handing on the row of every evaluation of the file's blocks.
class ReplayAnalyzer final : public CLiveAnalyzer {
public:
    ReplayAnalyzer(const RowSink& rows, const ProgressSink& progress, ReplayFeed& feed)
        : m_rows(rows), m_progress(progress), m_feed(feed) {}

    int Analyze(void* block) override {
        const int result = CLiveAnalyzer::Analyze(block);
        const EvaluationRow& row = LastEvaluation();
        std::uint64_t blocks = 0;
        if (m_feed.Counts(row.block, &blocks)) {
            m_rows(row);
            if (m_progress) m_progress(row.block, blocks);
        }
        return result;
    }

private:
    const RowSink& m_rows;
    const ProgressSink& m_progress;
    ReplayFeed& m_feed;
};

}  // namespace

std::string AnalyzeLive(const std::string& path, const RunSettings& settings, const RowSink& rows,
                        const ProgressSink& progress, RunNotes* notes) {
    // The headless platform plays files on the inline card, which has no input: the replay
    // borrows a simulated card for its capture and gives the inline one back after it.
    std::shared_ptr<platform::SimulatedSoundCard> borrowed;
    auto* card = dynamic_cast<platform::SimulatedSoundCard*>(&platform::WaveAudio());
    if (card == nullptr && dynamic_cast<platform::InlineSoundCard*>(&platform::WaveAudio())) {
        borrowed = std::make_shared<platform::SimulatedSoundCard>();
        borrowed->SetPace(platform::SimulatedSoundCard::Pace::Immediate);
        borrowed->SetRecording(false);
        platform::SetWaveAudioDriver(borrowed);
        card = borrowed.get();
    }
    struct GiveBack {
        bool active;
        ~GiveBack() {
            if (active) platform::SetWaveAudioDriver(std::make_shared<platform::InlineSoundCard>());
        }
    } giveBack{borrowed != nullptr};
    if (card == nullptr || card->GetInputDeviceCount() == 0)
        return "the replay needs the simulated sound card";
    std::unique_ptr<ReplayFeed> feed;
    try {
        feed = std::make_unique<ReplayFeed>(path);
    } catch (const std::exception& error) {
        return error.what();
    }
    card->SetCaptureFeed(
        [&feed](std::int16_t* samples, std::size_t count) { return feed->Feed(samples, count); });
    struct DropFeed {
        platform::SimulatedSoundCard* card;
        ~DropFeed() { card->SetCaptureFeed(nullptr); }
    } dropFeed{card};

    auto analyzer = std::make_unique<ReplayAnalyzer>(rows, progress, *feed);
    // As Line On: the threshold adjust value, then the capture; the display hands the volume over.
    analyzer->m_thresholdPercent = settings.thresholdAdjust;
    analyzer->m_volume = settings.volume;
    if (settings.quality) analyzer->EnableSignalQuality();
    if (analyzer->OpenCapture() != 0) {
        analyzer->CloseCapture();
        return "the simulated capture could not be opened";
    }
    // The card fills a buffer only while samples remain, so the pump stops after the last one.
    const std::string error = feed->WaitForLastBlock();
    analyzer->CloseCapture();
    if (notes) notes->decodeWarning = feed->Warning();
    return error;
}

}  // namespace kavrin_analyze
