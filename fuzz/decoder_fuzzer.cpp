// The decoder fed arbitrary bytes: each input is written to a file and decoded whole, as the File
// command and kavrin-analyze --decode take it (libsndfile, then the resampler). An input it
// cannot read must end in CFileException with a one-line reason; one it reads must give 16-bit
// mono samples in a bounded amount of memory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio_files/audio_decoder.h"

namespace {

const std::string& InputPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/kavrin-fuzz-decoder-" +
               std::to_string(::getpid()) + ".bin";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool cleanup = [] {
        std::atexit([] { std::remove(InputPath().c_str()); });
        return true;
    }();
    (void)cleanup;
    FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    try {
        const platform::DecodedAudio audio = platform::DecodeAudioFile(InputPath());
        if (audio.sourceRate < 1 || audio.sourceChannels < 1) {
            std::fprintf(stderr, "decoded with rate %d and %d channels\n", audio.sourceRate,
                         audio.sourceChannels);
            std::abort();
        }
        if (audio.clippedSamples > audio.samples.size()) {
            std::fprintf(stderr, "more samples clipped than decoded\n");
            std::abort();
        }
    } catch (const platform::CFileException& error) {
        const std::string reason = error.what();
        if (reason.empty() || reason.find('\n') != std::string::npos) {
            std::fprintf(stderr, "the reason is not one line: \"%s\"\n", reason.c_str());
            std::abort();
        }
    }
    return 0;
}
