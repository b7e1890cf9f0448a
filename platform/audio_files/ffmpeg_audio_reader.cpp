#include "platform/audio_files/ffmpeg_audio_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/audio_files/ffmpeg_library.h"

namespace platform {
namespace {

constexpr int kIoBufferBytes = 1 << 15;

std::string ErrorText(const FfmpegFunctions& ff, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    ff.av_strerror(code, text, sizeof(text));
    return text;
}

// One sample of any of FFmpeg's sample formats as libsndfile scales it: integers divided by
// their full scale, floats as they are. `packed` is the format's packed form.
double SampleAt(const AVFrame& frame, AVSampleFormat packed, bool planar, int frameIndex,
                int channel, int channels) {
    const int plane = planar ? channel : 0;
    const int index = planar ? frameIndex : frameIndex * channels + channel;
    const std::uint8_t* data = frame.extended_data[plane];
    switch (packed) {
        case AV_SAMPLE_FMT_U8:
            return (static_cast<int>(data[index]) - 0x80) / 128.0;
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const std::int16_t*>(data)[index] / 32768.0;
        case AV_SAMPLE_FMT_S32:
            return reinterpret_cast<const std::int32_t*>(data)[index] / 2147483648.0;
        case AV_SAMPLE_FMT_S64:
            return static_cast<double>(reinterpret_cast<const std::int64_t*>(data)[index]) /
                   9223372036854775808.0;
        case AV_SAMPLE_FMT_FLT:
            return reinterpret_cast<const float*>(data)[index];
        case AV_SAMPLE_FMT_DBL:
            return reinterpret_cast<const double*>(data)[index];
        default:
            return 0.0;
    }
}

bool KnownSampleFormat(AVSampleFormat packed) {
    switch (packed) {
        case AV_SAMPLE_FMT_U8:
        case AV_SAMPLE_FMT_S16:
        case AV_SAMPLE_FMT_S32:
        case AV_SAMPLE_FMT_S64:
        case AV_SAMPLE_FMT_FLT:
        case AV_SAMPLE_FMT_DBL:
            return true;
        default:
            return false;
    }
}

}  // namespace

struct CFfmpegAudioReader::Impl {
    const FfmpegFunctions& ff = Ffmpeg();  // throws when FFmpeg cannot be loaded
    int fd = -1;
    std::int64_t position = 0;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    bool flushed = false;  // the decoder was told that no packet follows
    bool done = false;
    std::vector<double> pending;  // interleaved frames decoded, not yet read
    std::size_t pendingRead = 0;

    ~Impl() {
        ff.av_frame_free(&frame);
        ff.av_packet_free(&packet);
        ff.avcodec_free_context(&codec);
        ff.avformat_close_input(&format);
        if (io) ff.av_freep(&io->buffer);
        ff.avio_context_free(&io);
    }

    // Reads at the reader's own offset, so the descriptor's position does not matter.
    static int ReadPacket(void* opaque, std::uint8_t* buffer, int size) {
        auto* self = static_cast<Impl*>(opaque);
        ssize_t got;
        do {
            got = ::pread(self->fd, buffer, static_cast<std::size_t>(size), self->position);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return AVERROR(errno);
        if (got == 0) return AVERROR_EOF;
        self->position += got;
        return static_cast<int>(got);
    }

    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* self = static_cast<Impl*>(opaque);
        struct stat info {};
        const bool sized = ::fstat(self->fd, &info) == 0;
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return sized ? static_cast<std::int64_t>(info.st_size) : AVERROR(ENOSYS);
            case SEEK_SET:
                break;
            case SEEK_CUR:
                offset += self->position;
                break;
            case SEEK_END:
                if (!sized) return AVERROR(ENOSYS);
                offset += info.st_size;
                break;
            default:
                return AVERROR(EINVAL);
        }
        if (offset < 0) return AVERROR(EINVAL);
        self->position = offset;
        return offset;
    }
};

CFfmpegAudioReader::CFfmpegAudioReader(int fd) : m_impl(std::make_unique<Impl>()) {
    Impl& s = *m_impl;
    const FfmpegFunctions& ff = s.ff;
    // FFmpeg's messages would land on standard error; the reasons come back as exceptions.
    ff.av_log_set_level(AV_LOG_QUIET);
    s.fd = fd;
    auto* buffer = static_cast<unsigned char*>(ff.av_malloc(kIoBufferBytes));
    if (!buffer) throw std::runtime_error("out of memory");
    s.io = ff.avio_alloc_context(buffer, kIoBufferBytes, 0, &s, &Impl::ReadPacket, nullptr,
                                 &Impl::Seek);
    if (!s.io) {
        ff.av_free(buffer);
        throw std::runtime_error("out of memory");
    }
    // Only what the data says counts: no file name is given, so no guess from an extension,
    // and a weak match (random bytes that look like a few MPEG frames) is not taken.
    const AVInputFormat* input = nullptr;
    const int score = ff.av_probe_input_buffer2(s.io, &input, "", nullptr, 0, 0);
    if (score < 0 || !input) throw std::runtime_error("Format not recognised");
    if (score < AVPROBE_SCORE_RETRY) throw std::runtime_error("Format not recognised");
    s.format = ff.avformat_alloc_context();
    if (!s.format) throw std::runtime_error("out of memory");
    s.format->pb = s.io;
    s.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (const int r = ff.avformat_open_input(&s.format, nullptr, input, nullptr); r < 0)
        throw std::runtime_error(ErrorText(ff, r));  // the context is freed and nulled
    if (const int r = ff.avformat_find_stream_info(s.format, nullptr); r < 0)
        throw std::runtime_error(ErrorText(ff, r));
    const AVCodec* decoder = nullptr;
    s.stream = ff.av_find_best_stream(s.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (s.stream < 0 || !decoder) throw std::runtime_error("no audio stream that can be decoded");
    for (unsigned i = 0; i < s.format->nb_streams; ++i)
        if (static_cast<int>(i) != s.stream) s.format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = s.format->streams[s.stream];
    s.codec = ff.avcodec_alloc_context3(decoder);
    if (!s.codec) throw std::runtime_error("out of memory");
    if (const int r = ff.avcodec_parameters_to_context(s.codec, stream->codecpar); r < 0)
        throw std::runtime_error(ErrorText(ff, r));
    if (const int r = ff.avcodec_open2(s.codec, decoder, nullptr); r < 0)
        throw std::runtime_error(ErrorText(ff, r));
    m_rate = s.codec->sample_rate;
    m_channels = s.codec->ch_layout.nb_channels;
    if (m_rate < 1 || m_channels < 1) throw std::runtime_error("no channels or no sample rate");
    if (stream->duration > 0 && stream->duration != AV_NOPTS_VALUE)
        m_frames = static_cast<std::uint64_t>(
            ff.av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_rate}));
    else if (s.format->duration > 0)
        m_frames =
            static_cast<std::uint64_t>(ff.av_rescale(s.format->duration, m_rate, AV_TIME_BASE));
    s.packet = ff.av_packet_alloc();
    s.frame = ff.av_frame_alloc();
    if (!s.packet || !s.frame) throw std::runtime_error("out of memory");
}

CFfmpegAudioReader::~CFfmpegAudioReader() = default;

bool CFfmpegAudioReader::DecodeMore() {
    Impl& s = *m_impl;
    const FfmpegFunctions& ff = s.ff;
    while (!s.done) {
        const int received = ff.avcodec_receive_frame(s.codec, s.frame);
        if (received == 0) {
            const auto format = static_cast<AVSampleFormat>(s.frame->format);
            const AVSampleFormat packed = ff.av_get_packed_sample_fmt(format);
            const bool planar = ff.av_sample_fmt_is_planar(format) != 0;
            const int channels = s.frame->ch_layout.nb_channels;
            if (s.frame->sample_rate != m_rate || channels != m_channels ||
                !KnownSampleFormat(packed)) {
                m_error = "the sample rate, channel count or sample format changes";
                s.done = true;
                break;
            }
            s.pending.resize(static_cast<std::size_t>(s.frame->nb_samples) *
                             static_cast<std::size_t>(channels));
            s.pendingRead = 0;
            std::size_t k = 0;
            for (int i = 0; i < s.frame->nb_samples; ++i)
                for (int c = 0; c < channels; ++c)
                    s.pending[k++] = SampleAt(*s.frame, packed, planar, i, c, channels);
            ff.av_frame_unref(s.frame);
            if (!s.pending.empty()) return true;
            continue;
        }
        if (received == AVERROR_EOF) {
            s.done = true;
            break;
        }
        if (received != AVERROR(EAGAIN)) {
            m_error = ErrorText(ff, received);
            s.done = true;
            break;
        }
        // The decoder wants more: the next packet of the audio stream, or the end.
        const int read = s.flushed ? AVERROR_EOF : ff.av_read_frame(s.format, s.packet);
        if (read < 0) {
            if (read != AVERROR_EOF) m_error = ErrorText(ff, read);
            if (!s.flushed) ff.avcodec_send_packet(s.codec, nullptr);
            s.flushed = true;
            continue;
        }
        if (s.packet->stream_index != s.stream) {
            ff.av_packet_unref(s.packet);
            continue;
        }
        const int sent = ff.avcodec_send_packet(s.codec, s.packet);
        ff.av_packet_unref(s.packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            m_error = ErrorText(ff, sent);
            s.done = true;
        }
    }
    s.pending.clear();
    s.pendingRead = 0;
    return false;
}

std::size_t CFfmpegAudioReader::Read(double* out, std::size_t frames) {
    Impl& s = *m_impl;
    const std::size_t channels = static_cast<std::size_t>(m_channels);
    std::size_t done = 0;
    while (done < frames) {
        if (s.pendingRead == s.pending.size() && !DecodeMore()) break;
        const std::size_t take =
            std::min(frames - done, (s.pending.size() - s.pendingRead) / channels);
        std::copy_n(s.pending.data() + s.pendingRead, take * channels, out + done * channels);
        s.pendingRead += take * channels;
        done += take;
    }
    return done;
}

}  // namespace platform
