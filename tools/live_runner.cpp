#include "tools/live_runner.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "analysis/quality_tap.h"
#include "platform/audio_files/audio_decoder.h"
#include "platform/devices/inline_sound_card.h"
#include "platform/devices/simulated_sound_card.h"
#include "sources/live_analyzer.h"

namespace kavrin_analyze {
namespace {

constexpr double kSamplesPerSecond = 11025.0;

// The live analyzer in capture mode, with one row taken after every evaluation; says when the
// last whole block has been analysed.
class ReplayAnalyzer final : public CLiveAnalyzer {
public:
    ReplayAnalyzer(const RunSettings& settings, const RowSink& rows, const ProgressSink& progress,
                   std::uint64_t blocks)
        : m_settings(settings),
          m_rows(rows),
          m_progress(progress),
          m_blocks(blocks),
          m_quality(settings.quality) {}

    int Analyze(void* block) override {
        const int result = CLiveAnalyzer::Analyze(block);
        std::uint64_t cycle = 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            cycle = ++m_cycles;
        }
        if (cycle <= m_blocks) {
            const double time = static_cast<double>(cycle * kBlockSize) / kSamplesPerSecond;
            EvaluationRow row = CaptureRow(*this, cycle, time, m_settings.bins);
            m_quality.Fill(*this, row);
            m_rows(row);
            if (m_progress) m_progress(cycle, m_blocks);
        }
        if (cycle >= m_blocks) m_done.notify_all();
        return result;
    }

    void WaitForLastBlock() {
        std::unique_lock<std::mutex> guard(m_lock);
        m_done.wait(guard, [this] { return m_cycles >= m_blocks; });
    }

private:
    const RunSettings& m_settings;
    const RowSink& m_rows;
    const ProgressSink& m_progress;
    const std::uint64_t m_blocks;
    std::mutex m_lock;
    std::condition_variable m_done;
    std::uint64_t m_cycles = 0;
    CQualityTap m_quality;
};

}  // namespace

std::string AnalyzeLive(const std::string& path, const RunSettings& settings, const RowSink& rows,
                        const ProgressSink& progress) {
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
    std::vector<std::int16_t> samples;
    try {
        samples = platform::DecodeAudioFile(path).samples;
    } catch (const std::exception& error) {
        return error.what();
    }
    const std::uint64_t blocks = samples.size() / CTremorAnalyzer::kBlockSize;
    if (blocks == 0) return "";
    samples.resize(blocks * CTremorAnalyzer::kBlockSize);
    card->SetCaptureSamples(std::move(samples));

    auto analyzer = std::make_unique<ReplayAnalyzer>(settings, rows, progress, blocks);
    // As Line On: the threshold adjust value, then the capture; the display hands the volume over.
    analyzer->m_thresholdPercent = settings.thresholdAdjust;
    analyzer->m_volume = settings.volume;
    if (analyzer->OpenCapture() != 0) {
        analyzer->CloseCapture();
        return "the simulated capture could not be opened";
    }
    // The card fills a buffer only while samples remain, so the pump stops after the last one.
    analyzer->WaitForLastBlock();
    analyzer->CloseCapture();
    return "";
}

}  // namespace kavrin_analyze
