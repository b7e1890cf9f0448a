// Millisecond pauses. The sources and commands pause for fixed times instead of waiting for a
// worker; tests may shorten the pauses (never to nothing's detriment: the order of steps stays).
#pragma once

#include <functional>

namespace platform {

void SleepMilliseconds(int milliseconds);

// Replaces how pauses are taken (nullptr restores real sleeping). For tests only.
using SleepHook = std::function<void(int milliseconds)>;
void SetSleepHook(SleepHook hook);

}  // namespace platform
