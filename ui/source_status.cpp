#include "ui/source_status.h"

#include <cmath>
#include <cstdio>

namespace kavrin {
namespace {

constexpr std::uint64_t kBytesPerSecond = 2 * 11025;
// What the file source has read ahead of what is heard: the primed buffer and the first block.
constexpr std::uint64_t kReadAhead = 16384;

std::string HzText(double frequencyIndex) {
    // The analyzer reports 65535 for a band with no energy at all: no frequency to name.
    if (!std::isfinite(frequencyIndex) || frequencyIndex >= 65535.0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f Hz", 8.0 + frequencyIndex / 10.0);
    return text;
}

std::string NumberText(double value) {
    char text[32];
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::string FileTimeText(std::uint64_t bytes) {
    const std::uint64_t seconds = bytes / kBytesPerSecond;
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::string SourceStatusText(const SourceState& state) {
    const bool stalled = state.secondsWithoutBlock >= kStallSeconds;
    switch (state.kind) {
        case SourceKind::Idle:
            return "Idle";
        case SourceKind::Line:
            if (state.deviceFailed) return "Line: no sound device";
            return stalled ? "Line: no input for 3 s" : "Line: capturing";
        case SourceKind::Tone:
            return "Tone: " + NumberText(state.toneFrequency) + " Hz, amplitude " +
                   std::to_string(state.toneAmplitude);
        case SourceKind::File: {
            if (state.fileName.empty()) return "File: none chosen";
            if (state.deviceFailed) return "File: no output device";
            if (state.fileLength > 0 && state.filePosition >= state.fileLength)
                return "File: ended";
            const std::uint64_t heard =
                state.filePosition > kReadAhead ? state.filePosition - kReadAhead : 0;
            std::string text = "File: " + state.fileName + " " + FileTimeText(heard) + " / " +
                               FileTimeText(state.fileLength);
            if (stalled) text += ", no output for 3 s";
            return text;
        }
    }
    return "Idle";
}

std::string ReadingText(const std::optional<DrawnReading>& reading) {
    if (!reading) return "";
    if (reading->validity == ReadingValidity::NoSignal) return "no signal";
    if (reading->validity == ReadingValidity::NoSpeech) return "no speech";
    return "inst " + HzText(reading->instFreq) + "  avg " + HzText(reading->avgFreq) + "  ref " +
           HzText(reading->reference);
}

}  // namespace kavrin
