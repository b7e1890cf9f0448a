#include "platform/audio_files/ffmpeg_library.h"

#include <libavutil/macros.h>

#include <memory>

#include "platform/services/shared_library.h"

namespace platform {
namespace {

// The sonames of the libraries whose headers were included.
constexpr const char* kAvutil = "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR);
constexpr const char* kAvcodec = "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR);
constexpr const char* kAvformat = "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);

struct Loaded {
    std::unique_ptr<CSharedLibrary> avformat;  // loads avcodec and avutil, its own needs
    FfmpegFunctions functions;
    std::string error;
};

Loaded Load() {
    Loaded loaded;
    try {
        // Opened one by one so that the reason names the one that is missing.
        CSharedLibrary avutil(kAvutil);
        CSharedLibrary avcodec(kAvcodec);
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
