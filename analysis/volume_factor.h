// The factor by which the "Volume adjust" value scales the windowing of every source.
#pragma once

#include <cstdint>

// trunc(volume / 25) + 1 in integers, the division truncating toward zero: -3 at -100, 0 for
// -49..-25, 1 for -24..24, 5 at 100. Both sources use it, so capture, tone and file stay alike.
std::int32_t VolumeFactor(std::int32_t volume);
