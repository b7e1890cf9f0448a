// One evaluation, as every output takes it: the window's timeline and its export, the review,
// segment statistics, kavrin-analyze's CSV and the plugin's features. The analyzer fills it
// right after each evaluation, at the time the source stamped for the block it shifted in.
#pragma once

#include <cstdint>
#include <type_traits>

#include "analysis/signal_quality.h"

enum class EvaluationSource : std::uint8_t { Line = 0, Tone = 1, File = 2 };

// The lamp of an evaluation, as the tick that followed it judged it.
enum class EvaluationLamp : std::uint8_t { None = 0, Red = 1, Yellow = 2, Green = 3 };

// The band bins at 8.0, 8.5, ... 12.0 Hz.
inline constexpr int kEvaluationBandBins = 9;

struct EvaluationRow {
    // End of the block this evaluation shifted in, in seconds of signal, as the source stamped
    // it (the functions below).
    double timeSeconds = 0.0;
    double instFreq = 0.0;
    double avgFreq = 0.0;
    double minFreq = 0.0;
    double maxFreq = 0.0;
    double magnitude = 0.0;
    double avgMagnitude = 0.0;
    // The nine band magnitudes this evaluation computed: what the spectrum bars are drawn from.
    double bins[kEvaluationBandBins] = {};
    std::uint64_t block = 0;    // evaluations counted from 1 in this session
    std::uint32_t session = 0;  // the analyzer's session number, from 1; 0 outside a session
    std::uint32_t threshold = 0;
    std::int32_t underThreshold = 0;
    EvaluationSource source = EvaluationSource::Line;
    // Of the block this evaluation shifted in, when the analyzer measures it
    // (EnableSignalQuality); else voicedShare stays NaN.
    SignalQuality quality;
    // Filled in on the user-interface thread, not by the pump.
    EvaluationLamp lamp = EvaluationLamp::None;
    std::int32_t lampReference = 0;
    double timelineSeconds = 0.0;  // position on the whole log's time axis
};

// Where the block that evaluation `block` (from 1) shifted in ends, in seconds of signal; the
// sources stamp their rows with these. A file's first 16384 bytes are played, never analysed,
// and its time stops where the data read so far ends. The tone's first block is generated,
// never analysed.
inline double FileBlockEndSeconds(std::uint64_t block, std::uint64_t bytesRead) {
    const std::uint64_t end = 16384 + 8192 * block;
    return static_cast<double>(end < bytesRead ? end : bytesRead) / 22050.0;
}
inline double ToneBlockEndSeconds(std::uint64_t block) {
    return static_cast<double>((block + 1) * 4096) / 11025.0;
}
inline double LineBlockEndSeconds(std::uint64_t block) {
    return static_cast<double>(block * 4096) / 11025.0;
}

// Copied into raw storage (an implicit-lifetime type).
static_assert(std::is_trivially_copyable_v<EvaluationRow> &&
              std::is_trivially_destructible_v<EvaluationRow>);
