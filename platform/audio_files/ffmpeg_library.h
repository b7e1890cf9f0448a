// FFmpeg's functions the audio reader calls, from its shared libraries opened on first use (see
// platform/services/shared_library.h): a program that never decodes through FFmpeg never loads
// them. The libraries are the ones whose headers Kavrin was built with.
//
// Threads: Ffmpeg() may be called from any thread; the first call loads.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace platform {

// Every function the reader uses, named once.
#define KAVRIN_FFMPEG_FUNCTIONS(X)   \
    X(av_find_best_stream)           \
    X(av_frame_alloc)                \
    X(av_frame_free)                 \
    X(av_frame_unref)                \
    X(av_free)                       \
    X(av_freep)                      \
    X(av_get_packed_sample_fmt)      \
    X(av_log_set_level)              \
    X(av_malloc)                     \
    X(av_packet_alloc)               \
    X(av_packet_free)                \
    X(av_packet_unref)               \
    X(av_probe_input_buffer2)        \
    X(av_read_frame)                 \
    X(av_rescale)                    \
    X(av_rescale_q)                  \
    X(av_sample_fmt_is_planar)       \
    X(av_strerror)                   \
    X(avcodec_alloc_context3)        \
    X(avcodec_free_context)          \
    X(avcodec_open2)                 \
    X(avcodec_parameters_to_context) \
    X(avcodec_receive_frame)         \
    X(avcodec_send_packet)           \
    X(avformat_alloc_context)        \
    X(avformat_close_input)          \
    X(avformat_find_stream_info)     \
    X(avformat_open_input)           \
    X(avio_alloc_context)            \
    X(avio_context_free)

struct FfmpegFunctions {
#define KAVRIN_FFMPEG_MEMBER(name) decltype(&::name) name = nullptr;
    KAVRIN_FFMPEG_FUNCTIONS(KAVRIN_FFMPEG_MEMBER)
#undef KAVRIN_FFMPEG_MEMBER
};

// The functions, loaded by the first call. Throws CLibraryUnavailable (then and on every later
// call) when a library or a function is missing.
const FfmpegFunctions& Ffmpeg();

}  // namespace platform
