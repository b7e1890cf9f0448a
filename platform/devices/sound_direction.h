// Capture or playback: which way a sound device moves samples.
#pragma once

namespace platform {

enum class SoundDirection { In, Out };

}  // namespace platform
