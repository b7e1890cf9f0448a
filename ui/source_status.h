// What the status bar says about the running source and the analysis drawn, as plain text from
// plain values, so that every state can be checked without a window:
//   "Line: capturing", "Line: no input for 3 s", "Line: no sound device",
//   "File: speech.wav 0:12 / 1:05", "File: ended", "File: no output device",
//   "Tone: 10 Hz, amplitude 10", "Idle";
//   "inst 10.0 Hz  avg 10.1 Hz  ref 11.0 Hz", "no speech", "no signal".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/reading_validity.h"

namespace kavrin {

// Seconds without a new block after which a running stream counts as stalled.
inline constexpr double kStallSeconds = 3.0;

enum class SourceKind { Idle, Line, File, Tone };

struct SourceState {
    SourceKind kind = SourceKind::Idle;
    // Seconds since the analyzer of the source last finished a block.
    double secondsWithoutBlock = 0.0;
    // Line, File: the source's device could not be opened, so nothing runs and nothing is read.
    bool deviceFailed = false;
    // File: the chosen file's name (empty: none chosen), its bytes read so far and its length.
    std::string fileName;
    std::uint64_t filePosition = 0;
    std::uint64_t fileLength = 0;
    // Tone: the generator's setting.
    double toneFrequency = 0.0;
    int toneAmplitude = 0;
};

std::string SourceStatusText(const SourceState& state);

// The values of the analyzer drawn on a tick, as frequency indices (0 = 8.0 Hz, 40 = 12.0 Hz).
struct DrawnReading {
    double instFreq = 0.0;
    double avgFreq = 0.0;
    std::int32_t reference = 0;
    // Of the newest evaluation of the drawn source: without a reading the pane says so instead
    // of a frequency that means nothing.
    ReadingValidity validity = ReadingValidity::Reading;
};

// Empty when no analyzer was drawn.
std::string ReadingText(const std::optional<DrawnReading>& reading);

// "m:ss" of the file's bytes (16-bit samples at 11025 per second).
std::string FileTimeText(std::uint64_t bytes);

}  // namespace kavrin
