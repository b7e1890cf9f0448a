#include "ui/tick_computation.h"

#include <algorithm>
#include <cmath>

#include "ui/dialog_text.h"

namespace kavrin {
namespace {

constexpr double kMarkerScale = 0.025;
constexpr double kMarkerLength = 5.0;
constexpr int kBarInset = 5;
constexpr double kLiveBarFactor = 0.0001;
constexpr double kFileBarFactor = 0.00002;

struct SourceOutcome {
    double inst = 0.0;
    double instScaled = 0.0;
    double avgScaled = 0.0;
    std::int32_t lampThreshold = 0;
};

// One source's part of the tick: lamp reference by mode and the nine bars. `sign` is -1 for the
// live source (d subtracted) and +1 for the file source (d added).
SourceOutcome ComputeSource(const TickInputs& in, const SourceReading& source, std::int32_t adj,
                            std::int32_t volume, int sign, double barFactor, TickResult& out) {
    SourceOutcome outcome;
    const double inst = source.instFreq;
    const double avg = source.avgFreq;
    outcome.inst = inst;
    outcome.instScaled = inst * kMarkerScale;
    outcome.avgScaled = avg * kMarkerScale;

    outcome.lampThreshold = LampReference(in.modeAvgRelative, in.modeFixedRange, in.modeFixedFreq,
                                          adj, avg, source.threshold, sign);

    const ClientRect& r = in.spectrum;
    for (int i = 0; i < kDisplayBinCount; ++i) {
        const int bin = kFirstDisplayBin + i * kDisplayBinStep;
        Stroke bar;
        bar.x1 = bar.x2 = (bin - kFirstDisplayBin) * r.right / 50 + r.left + kBarInset;
        bar.y1 = r.bottom;
        const double height = source.bins[i] * static_cast<double>(volume + 1) * barFactor;
        bar.y2 = TruncateSaturating(static_cast<double>(r.bottom) - height);
        out.bars[out.barCount++] = bar;
    }
    return outcome;
}

Stroke Marker(const ClientRect& r, double scaled) {
    Stroke marker;
    const double start = static_cast<double>(r.right) * scaled + r.left;
    marker.x1 = TruncateSaturating(start);
    marker.x2 = TruncateSaturating(start + kMarkerLength);
    marker.y1 = marker.y2 = (r.bottom - r.top) / 2;
    return marker;
}

}  // namespace

bool LiveSourceShown(bool lineOn, bool toneMode) {
    return lineOn || toneMode;
}

std::int32_t LampPreset(std::int32_t thresholdAdjust) {
    return (4 * ClampAdjust(thresholdAdjust)) / 10;
}

TickResult ComputeTick(const TickInputs& in) {
    TickResult out;
    out.volumeAdjust = ClampAdjust(in.volumeAdjust);
    const std::int32_t adj = ClampAdjust(in.thresholdAdjust);
    out.liveShown = LiveSourceShown(in.lineOn, in.toneMode);
    out.fileShown = in.fileOn;

    std::optional<SourceOutcome> shown;
    if (out.liveShown)
        shown = ComputeSource(in, in.live, adj, out.volumeAdjust, -1, kLiveBarFactor, out);
    // The file part runs second: its values are the ones the markers and the lamp use.
    if (out.fileShown)
        shown = ComputeSource(in, in.file, adj, out.volumeAdjust, +1, kFileBarFactor, out);
    if (!shown) return out;

    out.lampThreshold = shown->lampThreshold;
    out.instMarker = Marker(in.instMarker, shown->instScaled);
    out.avgMarker = Marker(in.avgMarker, shown->avgScaled);
    out.lamp = LampFor(shown->lampThreshold, shown->inst);
    return out;
}

}  // namespace kavrin
