// Replays a file as live capture: its decoded samples go through CLiveAnalyzer's capture path
// (the simulated card's input in place of the sound card), block by block from the first sample,
// with a fresh analyzer as the first Line On after start-up has it.
#pragma once

#include <string>

#include "tools/analysis_runner.h"

namespace kavrin_analyze {

// Needs the headless platform. Whole blocks only: a final partial block is not analysed. The file
// is decoded as the capture takes it. Returns an empty string, or the error (the file cannot be
// opened or decoded, capture failed); rows before a decoding error have been delivered.
std::string AnalyzeLive(const std::string& path, const RunSettings& settings, const RowSink& rows,
                        const ProgressSink& progress, RunNotes* notes = nullptr);

}  // namespace kavrin_analyze
