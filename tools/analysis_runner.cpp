#include "tools/analysis_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_files/wave_header.h"
#include "platform/devices/inline_sound_card.h"
#include "platform/devices/wave_audio.h"
#include "platform/services/file.h"
#include "platform/services/message_box.h"
#include "platform/services/open_file_dialog.h"
#include "platform/services/pump_thread.h"
#include "platform/services/sleep.h"
#include "sources/file_analyzer.h"
#include "sources/live_analyzer.h"
#include "tools/live_runner.h"
#include "tools/standard_input_file.h"

namespace kavrin_analyze {
namespace {

// What the headless seams collect while one run goes on.
struct RunContext {
    std::mutex lock;
    std::string path;                   // what the open-file dialog answers
    std::vector<std::string> messages;  // what would have appeared in message boxes
};

RunContext& Context() {
    static RunContext* context = new RunContext;
    return *context;
}

// Standard input, copied once per process into a file that a run can measure.
StandardInputFile& StandardInput() {
    static StandardInputFile standardInput;
    return standardInput;
}

std::string TakeMessages() {
    RunContext& context = Context();
    std::lock_guard<std::mutex> guard(context.lock);
    std::string joined;
    for (const std::string& message : context.messages) {
        if (!joined.empty()) joined += "; ";
        joined += message;
    }
    context.messages.clear();
    return joined;
}

// The file analyzer handing on the row of every evaluation, on the pump, at the moment the
// display could read the same values.
class RecordingFileAnalyzer final : public CFileAnalyzer {
public:
    RecordingFileAnalyzer(const RowSink& rows, const ProgressSink& progress, std::uint64_t length)
        : m_rows(rows), m_progress(progress), m_length(length) {}

    int Analyze(void* block) override {
        // A decoded stream's length is the header's until its end is read, then exact.
        if (m_decodeAudio) m_length = StreamLength();
        // A stream the opening reads took whole ends at the first evaluation, history cleared.
        if (LastEvaluation().block == 0 && m_position.Load() >= m_length) m_emptyRun = true;
        const int result = CFileAnalyzer::Analyze(block);
        m_rows(LastEvaluation());
        // A file that grows while it is read is followed.
        const std::uint64_t position = m_position.Load();
        m_length = std::max(m_length, position);
        if (m_progress) m_progress(position, m_length);
        return result;
    }

    // Why no block was analysed, or empty when one was.
    std::string NothingAnalysed() const {
        if (!m_emptyRun) return "";
        const std::string what = m_decodeAudio ? "its decoded stream" : "it";
        return "nothing analysed: " + what + " holds " + std::to_string(m_length) +
               " bytes; an analysed block needs more than " + std::to_string(kOpeningBytes);
    }

private:
    // What is read before the first evaluation: the primed playback buffer, the opening block
    // and the block the first fetch takes.
    static constexpr std::uint64_t kOpeningBytes = 16384 + 8192 + 8192;
    bool m_emptyRun = false;
    const RowSink& m_rows;
    const ProgressSink& m_progress;
    std::uint64_t m_length;
};

// The live analyzer in tone mode, stopped after a given number of evaluations.
class CountingToneAnalyzer final : public CLiveAnalyzer {
public:
    CountingToneAnalyzer(const RowSink& rows, std::uint64_t blocks)
        : m_rows(rows), m_blocks(blocks) {}

    int Analyze(void* block) override {
        const int result = CLiveAnalyzer::Analyze(block);
        m_rows(LastEvaluation());
        if (LastEvaluation().block >= m_blocks) {
            // As Test Generator Stop does: the tone flag first, then the stop signal.
            m_toneMode = 0;
            SignalStop();
        }
        return result;
    }

private:
    const RowSink& m_rows;
    std::uint64_t m_blocks;
};

}  // namespace

void InstallHeadlessPlatform() {
    // The analysis runs at normal priority, as any batch job should.
    platform::AllowTimeCriticalThreads(false);
    // Plays each buffer the moment it is written, so the playback pump runs on alone.
    platform::SetWaveAudioDriver(std::make_shared<platform::InlineSoundCard>());
    // The pauses only give real devices and worker threads time; here every step is awaited.
    platform::SetSleepHook([](int) {});
    platform::SetMessagePresenter([](const std::string& text, platform::MessageIcon) {
        RunContext& context = Context();
        std::lock_guard<std::mutex> guard(context.lock);
        context.messages.push_back(text);
    });
    platform::SetOpenFileChooser(
        [](const platform::OpenFileRequest&) -> std::optional<std::string> {
            RunContext& context = Context();
            std::lock_guard<std::mutex> guard(context.lock);
            return context.path;
        });
}

std::string AnalyzeFile(const std::string& path, const RunSettings& settings, const RowSink& rows,
                        const ProgressSink& progress, RunNotes* notes) {
    if (path == "-") {
        StandardInputFile& standardInput = StandardInput();
        if (const std::string failure = standardInput.Copy(); !failure.empty()) return failure;
        return standardInput.AsDash(
            AnalyzeFile(standardInput.Path(), settings, rows, progress, notes));
    }
    if (settings.live) return AnalyzeLive(path, settings, rows, progress, notes);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return platform::CFileException(platform::CFileException::CauseFromErrno(errno), errno,
                                        path)
            .what();
    }
    {
        RunContext& context = Context();
        std::lock_guard<std::mutex> guard(context.lock);
        context.path = path;
        context.messages.clear();
    }
    auto analyzer = std::make_unique<RecordingFileAnalyzer>(
        rows, progress, settings.decode ? 0 : static_cast<std::uint64_t>(info.st_size));
    analyzer->m_decodeAudio = settings.decode;
    if (settings.quality) analyzer->EnableSignalQuality();
    // As the File command: the threshold adjust value, the volume the display hands over.
    analyzer->m_thresholdPercent = settings.thresholdAdjust;
    analyzer->m_volume = settings.volume;
    try {
        analyzer->OpenFile();
    } catch (const std::exception& error) {
        return error.what();
    }
    // The run ends by itself at the end of the file (or at a read error).
    analyzer->m_thread.Join();
    if (notes) {
        notes->nothingAnalysed = analyzer->NothingAnalysed();
        if (settings.decode) notes->decodeWarning = analyzer->m_decoded.Warning();
    }
    return TakeMessages();
}

std::string ForeignHeaderNote(const std::string& path, const RunSettings& settings) {
    if (settings.decode || settings.live) return "";
    std::string file = path;
    if (path == "-") {
        if (!StandardInput().Copy().empty()) return "";
        file = StandardInput().Path();
    }
    const std::optional<std::string> format = platform::DescribeForeignWaveHeader(file);
    return format ? *format + ": --decode analyses it as recorded" : "";
}

std::string AnalyzeTone(const ToneOptions& tone, const RunSettings& settings, const RowSink& rows) {
    TakeMessages();
    auto analyzer = std::make_unique<CountingToneAnalyzer>(rows, tone.blocks);
    if (settings.quality) analyzer->EnableSignalQuality();
    // As Set Params ended with OK on a fresh analyzer.
    analyzer->m_thresholdPercent = settings.thresholdAdjust;
    analyzer->m_volume = settings.volume;
    analyzer->m_toneAmplitude = static_cast<std::int16_t>(tone.amplitude & 0xFFFF);
    analyzer->m_toneFrequency = tone.frequency;
    analyzer->StartTone();
    analyzer->m_thread.Join();
    return TakeMessages();
}

}  // namespace kavrin_analyze
