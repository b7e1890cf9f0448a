#include "analysis/volume_factor.h"

std::int32_t VolumeFactor(std::int32_t volume) {
    // C++ integer division already truncates toward zero, for negative values too.
    return volume / 25 + 1;
}
