// The audio stream of files libsndfile does not read (M4A/AAC, MP4, MOV, MKV, WebM, AMR, WMA...),
// read through FFmpeg's libraries as interleaved frames of doubles at full scale +-1.0, the form
// libsndfile gives, so that both go through the same resampler. The file is read through a
// descriptor its owner opened (and locked); FFmpeg never opens it again and never prints.
//
// Threads: one object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class CFfmpegAudioReader {
public:
    // Reads from `fd` (positioned anywhere; the reader keeps its own offset). Throws
    // std::runtime_error with the reason when no audio stream can be decoded from it.
    explicit CFfmpegAudioReader(int fd);
    ~CFfmpegAudioReader();
    CFfmpegAudioReader(const CFfmpegAudioReader&) = delete;
    CFfmpegAudioReader& operator=(const CFfmpegAudioReader&) = delete;

    int Rate() const { return m_rate; }
    int Channels() const { return m_channels; }
    // Frames the container announces for the stream (0 when it does not say).
    std::uint64_t Frames() const { return m_frames; }

    // Up to `frames` interleaved frames into `out`; fewer only at the end of the stream or where
    // damaged data stops it (Error() then says why), 0 past it.
    std::size_t Read(double* out, std::size_t frames);
    // Empty, or why the stream ended before the end of the file.
    const std::string& Error() const { return m_error; }

private:
    struct Impl;
    bool DecodeMore();  // fills m_pending with the next decoded frame; false at the end

    std::unique_ptr<Impl> m_impl;
    int m_rate = 0;
    int m_channels = 0;
    std::uint64_t m_frames = 0;
    std::string m_error;
};

}  // namespace platform
