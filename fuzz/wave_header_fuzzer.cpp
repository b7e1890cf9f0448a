// A .WAV header as the raw path's note reads it: arbitrary bytes, sizes that lie, chunks that
// run past the end. Beyond crashes: whatever is said names a rate and a channel layout.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/audio_files/wave_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto said = platform::DescribeForeignWaveFormat(data, size);
    if (said && said->find(" Hz ") == std::string::npos) std::abort();
    return 0;
}
