// The lamp of one evaluation: the reference formed by threshold mode, and the colour of an
// instantaneous frequency against it. Pure functions of an evaluation's values and the form's
// settings, shared by the display tick and by what judges rows later (segment statistics).
#pragma once

#include <cstdint>

namespace kavrin {

enum class LampColour { Red, Yellow, Green };

// The three threshold modes of the form.
enum class LampMode { FixedRange, FixedFreq, AvgRelative };

// The bound put on the adjust values before any arithmetic, so that 4 x adj, adj - 50, bar
// heights and coordinates stay far inside the integer range. The spin buttons only reach 0..100;
// a typed value beyond the bound counts as the bound.
inline constexpr std::int32_t kAdjustBound = 1000000;
std::int32_t ClampAdjust(std::int32_t value);

// Truncation toward zero of a double into an int, saturating far inside the int range (NaN
// gives 0), so that no conversion is undefined whatever the analyzer or the user supplies.
std::int32_t TruncateSaturating(double value);

// The lamp reference as the tick forms it from the radio buttons (each checked one applies in
// this order, the last wins; none checked gives 0). `adj` is the bounded "Threshold adjust";
// `sign` is -1 for the live source (capture and tone) and +1 for the file source.
std::int32_t LampReference(bool modeAvgRelative, bool modeFixedRange, bool modeFixedFreq,
                           std::int32_t adj, double avgFreq, std::uint32_t threshold, int sign);

// The same for one mode and an unbounded adjust value.
std::int32_t LampReference(LampMode mode, std::int32_t thresholdAdjust, double avgFreq,
                           std::uint32_t threshold, bool fileSource);

// The lamp for an instantaneous frequency index against the reference `reference`.
LampColour LampFor(std::int32_t reference, double inst);

}  // namespace kavrin
