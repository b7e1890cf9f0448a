#include "platform/audio_files/audio_decoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/audio_files/ffmpeg_audio_reader.h"
#include "platform/audio_files/wave_header.h"
#include "platform/services/shared_library.h"

namespace platform {
namespace {

// Below this no recording holds speech; a header that claims less (1 Hz, say) would make a few
// bytes of input decode to gigabytes.
constexpr int kLowestSampleRate = 1000;
// The highest rate sound cards and recorders offer (16 x 48 kHz; ultrasound recorders for bats
// stay below it). Above it no recording exists, and the resampler's set-up for such a ratio alone
// takes seconds (a header claiming 1e9 Hz: ten).
constexpr int kHighestSampleRate = 768000;

// The file's size now, or -1 when the system cannot say.
long long FileSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

}  // namespace

CDecodeError::CDecodeError(const std::string& fileName, const std::string& reason)
    : CFileException(Cause::generic, 0, fileName),
      m_message("Cannot decode " + fileName + ": " + reason) {
    // libsndfile's reasons may carry line breaks; the report stays on one line.
    std::replace(m_message.begin(), m_message.end(), '\n', ' ');
    while (!m_message.empty() && m_message.back() == ' ') m_message.pop_back();
}

// The file through libsndfile, or where libsndfile does not read it, through FFmpeg.
//
// libsndfile reads through callbacks over the descriptor rather than sf_open_fd, which closes
// the descriptor when it fails to recognise the file (whatever close_desc says), leaving the
// CFile to close a number the system may have given to another file since.
struct CAudioDecoder::Sound {
    int fd = -1;
    sf_count_t position = 0;
    SNDFILE* handle = nullptr;
    std::unique_ptr<CFfmpegAudioReader> ffmpeg;
    ~Sound() {
        if (handle) sf_close(handle);
    }

    static sf_count_t Length(void* self) {
        struct stat info {};
        return ::fstat(static_cast<Sound*>(self)->fd, &info) == 0 ? info.st_size : -1;
    }
    static sf_count_t Seek(sf_count_t offset, int whence, void* opaque) {
        auto* self = static_cast<Sound*>(opaque);
        if (whence == SEEK_CUR) offset += self->position;
        if (whence == SEEK_END) offset += Length(self);
        if (offset < 0) return -1;
        return self->position = offset;
    }
    static sf_count_t Read(void* buffer, sf_count_t count, void* opaque) {
        auto* self = static_cast<Sound*>(opaque);
        ssize_t got;
        do {
            got = ::pread(self->fd, buffer, static_cast<std::size_t>(count), self->position);
        } while (got < 0 && errno == EINTR);
        if (got < 0) return 0;
        self->position += got;
        return got;
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* self) { return static_cast<Sound*>(self)->position; }
};

CAudioDecoder::CAudioDecoder() = default;
CAudioDecoder::~CAudioDecoder() = default;

void CAudioDecoder::Open(const std::string& path) {
    Close();
    m_file.Open(path);
    try {
        SF_INFO info{};
        auto sound = std::make_unique<Sound>();
        static SF_VIRTUAL_IO io{&Sound::Length, &Sound::Seek, &Sound::Read, &Sound::Write,
                                &Sound::Tell};
        sound->fd = m_file.GetHandle();
        sound->handle = sf_open_virtual(&io, SFM_READ, &info, sound.get());
        if (!sound->handle) {
            const std::string reason = sf_strerror(nullptr);
            try {
                sound->ffmpeg = std::make_unique<CFfmpegAudioReader>(m_file.GetHandle());
            } catch (const CLibraryUnavailable& error) {
                // Said, so that a missing FFmpeg is not taken for a file that is not audio.
                std::string said = reason;
                if (!said.empty() && said.back() == '.') said.pop_back();
                throw CDecodeError(path, said + "; " + error.what());
            } catch (const std::runtime_error&) {
                // libsndfile calls a WAVE header without a sample rate an internal error.
                const std::optional<std::string> header = DescribeForeignWaveHeader(path);
                if (header && header->rfind("0 Hz ", 0) == 0)
                    throw CDecodeError(path, "a sample rate of 0 Hz in its header");
                throw CDecodeError(path, reason);
            }
            info.channels = sound->ffmpeg->Channels();
            info.samplerate = sound->ffmpeg->Rate();
            info.frames = static_cast<sf_count_t>(sound->ffmpeg->Frames());
        }
        if (info.channels < 1 || info.samplerate < 1)
            throw CDecodeError(path, "no channels or no sample rate");
        if (info.samplerate < kLowestSampleRate)
            throw CDecodeError(path, "a sample rate of " + std::to_string(info.samplerate) +
                                         " Hz is below " + std::to_string(kLowestSampleRate) +
                                         " Hz");
        if (info.samplerate > kHighestSampleRate)
            throw CDecodeError(path, "a sample rate of " + std::to_string(info.samplerate) +
                                         " Hz is above " + std::to_string(kHighestSampleRate) +
                                         " Hz");
        try {
            m_resampler = std::make_unique<CMonoResampler>(info.samplerate, info.channels);
        } catch (const std::runtime_error& error) {
            throw CDecodeError(path, error.what());
        }
        m_sound = std::move(sound);
        m_path = path;
        m_sourceRate = info.samplerate;
        m_sourceChannels = info.channels;
        m_sourceFrames = info.frames > 0 ? static_cast<std::uint64_t>(info.frames) : 0;
        m_openedSize = FileSize(m_file.GetHandle());
        m_frames.resize(m_resampler->ChunkFrames() * static_cast<std::size_t>(info.channels));
    } catch (...) {
        Close();
        throw;
    }
}

void CAudioDecoder::Close() {
    m_sound.reset();
    m_resampler.reset();
    m_file.Close();
    m_path.clear();
    m_frames.clear();
    m_frames.shrink_to_fit();
    m_pending.clear();
    m_pendingRead = 0;
    m_inputDone = false;
    m_sourceRate = 0;
    m_sourceChannels = 0;
    m_sourceFrames = 0;
    m_sourceFramesRead = 0;
    m_openedSize = -1;
    m_warning.clear();
}

bool CAudioDecoder::IsOpen() const {
    return m_sound != nullptr;
}

std::uint64_t CAudioDecoder::ClippedSamples() const {
    return m_resampler ? m_resampler->ClippedSamples() : 0;
}

bool CAudioDecoder::Refill() {
    if (!m_sound) return false;
    m_pending.clear();
    m_pendingRead = 0;
    while (m_pending.empty() && !m_inputDone) {
        const sf_count_t chunk = static_cast<sf_count_t>(m_resampler->ChunkFrames());
        sf_count_t got = 0;
        std::string error;
        if (m_sound->ffmpeg) {
            got = static_cast<sf_count_t>(
                m_sound->ffmpeg->Read(m_frames.data(), static_cast<std::size_t>(chunk)));
            error = m_sound->ffmpeg->Error();
        } else {
            got = std::max<sf_count_t>(0, sf_readf_double(m_sound->handle, m_frames.data(), chunk));
            if (sf_error(m_sound->handle) != SF_ERR_NO_ERROR) error = sf_strerror(m_sound->handle);
        }
        if (!error.empty()) {
            if (m_sourceFramesRead == 0 && got == 0) throw CDecodeError(m_path, error);
            // Damaged data (a cut-off last frame, say): what came before it is kept.
            m_warning = "Damaged data in " + m_path + " after " +
                        std::to_string(m_sourceFramesRead + static_cast<std::uint64_t>(got)) +
                        " frames (" + error + "); decoded up to there";
            std::replace(m_warning.begin(), m_warning.end(), '\n', ' ');
            m_inputDone = true;
        } else if (got < chunk) {
            m_inputDone = true;
        }
        m_sourceFramesRead += static_cast<std::uint64_t>(got);
        // A file cut short while it is read ends early without an error from the decoders: the
        // stream would pass for the whole recording.
        if (m_inputDone && m_openedSize >= 0) {
            const long long size = FileSize(m_file.GetHandle());
            if (size >= 0 && size < m_openedSize)
                throw CDecodeError(m_path, "the file shrank from " + std::to_string(m_openedSize) +
                                               " to " + std::to_string(size) +
                                               " bytes while it was read");
        }
        try {
            m_resampler->Put(m_frames.data(), static_cast<std::size_t>(got), m_pending);
            if (m_inputDone) m_resampler->Finish(m_pending);
        } catch (const std::runtime_error& error) {
            throw CDecodeError(m_path, error.what());
        }
    }
    return !m_pending.empty();
}

std::size_t CAudioDecoder::Read(std::int16_t* samples, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (m_pendingRead == m_pending.size() && !Refill()) break;
        const std::size_t take = std::min(count - done, m_pending.size() - m_pendingRead);
        std::copy_n(m_pending.data() + m_pendingRead, take, samples + done);
        m_pendingRead += take;
        done += take;
    }
    return done;
}

bool CAudioDecoder::AtEnd() {
    return m_pendingRead == m_pending.size() && !Refill();
}

DecodedAudio DecodeAudioFile(const std::string& path) {
    CAudioDecoder decoder;
    decoder.Open(path);
    DecodedAudio out;
    out.sourceRate = decoder.SourceRate();
    out.sourceChannels = decoder.SourceChannels();
    // The announced length sizes the buffer once, up to 32 MB: a header may claim billions of
    // frames it does not hold, and what lies beyond the cap only costs a regrowth.
    constexpr double kMostReserved = 1 << 24;
    if (decoder.SourceFrames() > 0)
        out.samples.reserve(static_cast<std::size_t>(
            std::min(kMostReserved, static_cast<double>(decoder.SourceFrames()) *
                                            kDecodedSampleRate / decoder.SourceRate() +
                                        16)));
    std::int16_t buffer[1 << 14];
    while (const std::size_t got = decoder.Read(buffer, std::size(buffer)))
        out.samples.insert(out.samples.end(), buffer, buffer + got);
    out.clippedSamples = decoder.ClippedSamples();
    out.warning = decoder.Warning();
    return out;
}

bool IsDecodableAudio(const std::string& path) {
    try {
        CFile::RequireRegularFile(path);
    } catch (const CFileException&) {
        return false;
    }
    SF_INFO info{};
    if (SNDFILE* sound = sf_open(path.c_str(), SFM_READ, &info)) {
        sf_close(sound);
        return info.channels > 0 && info.samplerate > 0;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    bool decodable = false;
    try {
        decodable = CFfmpegAudioReader(fd).Rate() > 0;
    } catch (const std::runtime_error&) {
    }
    ::close(fd);
    return decodable;
}

std::vector<std::string> DecodableExtensions() {
    std::vector<std::string> extensions;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
    auto add = [&](std::string extension) {
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!extension.empty() &&
            std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            extensions.push_back(extension);
    };
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO format{};
        format.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof(format)) != 0) continue;
        if (format.extension) add(format.extension);
    }
    // Names the major-format table does not list under their usual extension.
    for (const char* extra : {"aif", "opus", "ogg", "mp3"}) add(extra);
    // What FFmpeg reads where libsndfile does not: phone memos and the sound of videos.
    for (const char* extra : {"m4a", "aac", "mp4", "m4v", "mov", "3gp", "3ga", "mkv", "mka", "webm",
                              "amr", "awb", "wma", "wmv", "asf"})
        add(extra);
    return extensions;
}

}  // namespace platform
