// Runs the window's analysis without the window: a file as the File command runs it, or the
// test tone as Set Params ended with OK starts it, with a headless sound card in place of the
// real one, as fast as the processor allows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "analysis/evaluation_csv.h"
#include "tools/analyze_options.h"

namespace kavrin_analyze {

struct RunSettings {
    std::int32_t volume = 10;
    std::int32_t thresholdAdjust = 75;
    bool bins = false;
    bool decode = false;
    bool live = false;
    bool quality = false;  // level, clipping and voicing of each evaluated block
};

using RowSink = std::function<void(const EvaluationRow&)>;
using ProgressSink = std::function<void(std::uint64_t position, std::uint64_t length)>;

// Installs the inline sound card (a replay borrows a simulated one for its capture), instant
// pauses and the headless message and file seams. Call once before the runs.
void InstallHeadlessPlatform();

// What a run that did not fail has to say, each on one line or empty.
struct RunNotes {
    // The stream was too short for any block to be analysed (its one row is the cleared
    // history's): why.
    std::string nothingAnalysed;
    // Decoding stopped before the end of the file (damaged data): where and why.
    std::string decodeWarning;
};

// Analyses one file; returns an empty string, or the error that stopped it (the rows produced
// before a read error have been delivered).
std::string AnalyzeFile(const std::string& path, const RunSettings& settings, const RowSink& rows,
                        const ProgressSink& progress, RunNotes* notes = nullptr);

// For the raw path (neither decode nor live): what the file's WAVE header says when it is other
// than 16-bit mono 11025 Hz, as "44100 Hz stereo: --decode analyses it as recorded"; else empty.
std::string ForeignHeaderNote(const std::string& path, const RunSettings& settings);

// Analyses `tone.blocks` blocks of the test tone.
std::string AnalyzeTone(const ToneOptions& tone, const RunSettings& settings, const RowSink& rows);

}  // namespace kavrin_analyze
