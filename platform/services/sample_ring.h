// The ring of 16-bit samples between a sound callback and the thread that feeds or empties it.
#pragma once

#include <cstdint>

#include "platform/services/single_producer_ring.h"

namespace platform {

using SampleRing = SingleProducerRing<std::int16_t>;

}  // namespace platform
