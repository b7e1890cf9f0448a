#include "analysis/lamp.h"

#include <algorithm>
#include <cmath>

namespace kavrin {
namespace {

constexpr int kThresholdCentre = 50;
constexpr int kLampMargin = 5;
// Results are kept this far inside the int range so that the lamp's r - 5 and the drawing's
// coordinates never overflow.
constexpr double kSaturation = 1.0e9;
constexpr std::int64_t kSaturationInt = 1000000000;

}  // namespace

std::int32_t ClampAdjust(std::int32_t value) {
    return std::clamp(value, -kAdjustBound, kAdjustBound);
}

std::int32_t TruncateSaturating(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::clamp(value, -kSaturation, kSaturation));
}

std::int32_t LampReference(bool modeAvgRelative, bool modeFixedRange, bool modeFixedFreq,
                           std::int32_t adj, double avgFreq, std::uint32_t threshold, int sign) {
    const std::int32_t d = (adj - kThresholdCentre) / 2;
    std::int32_t reference = 0;
    if (modeAvgRelative) reference = TruncateSaturating(avgFreq + sign * static_cast<double>(d));
    if (modeFixedRange) {
        // The threshold holds 0..65535; taken as a signed value.
        const std::int64_t held = std::min<std::uint32_t>(threshold, 0x7fffffffu);
        reference = static_cast<std::int32_t>(std::clamp<std::int64_t>(
            held + sign * std::int64_t{d}, -kSaturationInt, kSaturationInt));
    }
    if (modeFixedFreq) reference = (4 * adj) / 10;
    return reference;
}

std::int32_t LampReference(LampMode mode, std::int32_t thresholdAdjust, double avgFreq,
                           std::uint32_t threshold, bool fileSource) {
    return LampReference(mode == LampMode::AvgRelative, mode == LampMode::FixedRange,
                         mode == LampMode::FixedFreq, ClampAdjust(thresholdAdjust), avgFreq,
                         threshold, fileSource ? +1 : -1);
}

LampColour LampFor(std::int32_t reference, double inst) {
    if (static_cast<double>(reference) < inst) return LampColour::Red;
    if (static_cast<double>(reference - kLampMargin) < inst) return LampColour::Yellow;
    return LampColour::Green;
}

}  // namespace kavrin
