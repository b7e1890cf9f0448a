#include "platform/audio_files/ffmpeg_library.h"

#include <libavutil/macros.h>

#include <memory>

#include "platform/services/shared_library.h"

namespace platform {
namespace {

// The soname of the library whose headers were included. It loads libavcodec and libavutil,
// its own needs, and the loader's reason names whichever of them is missing.
constexpr const char* kAvformat = "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);

struct Loaded {
    std::unique_ptr<CSharedLibrary> avformat;
    FfmpegFunctions functions;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    try {
        loaded.avformat = std::make_unique<CSharedLibrary>(kAvformat);
#define KAVRIN_FFMPEG_FIND(name) loaded.avformat->Find(loaded.functions.name, #name);
        KAVRIN_FFMPEG_FUNCTIONS(KAVRIN_FFMPEG_FIND)
#undef KAVRIN_FFMPEG_FIND
    } catch (const CLibraryUnavailable& error) {
        loaded.error = std::string("FFmpeg's libraries cannot be loaded: ") + error.what();
    }
    return loaded;
}

}  // namespace

const FfmpegFunctions& Ffmpeg() {
    static const Loaded loaded = Load();
    if (!loaded.error.empty()) throw CLibraryUnavailable(loaded.error);
    return loaded.functions;
}

}  // namespace platform
