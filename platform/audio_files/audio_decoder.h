// Audio files of any format libsndfile reads, and where it does not, of what FFmpeg's libraries
// read (platform/ffmpeg_audio_reader.h), decoded to what the analysis takes: 16-bit mono
// samples at 11025 per second (platform/mono_resampler.h says how). Decoding streams: a fixed
// buffer of a few chunks, never the whole recording in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_files/mono_resampler.h"
#include "platform/services/file.h"

namespace platform {

// A file that neither libsndfile nor FFmpeg can read (or that stops reading in the middle):
// what() names the file and gives the reason on one line (libsndfile's, when neither opens it).
class CDecodeError : public CFileException {
public:
    CDecodeError(const std::string& fileName, const std::string& reason);
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// One audio file decoded as it is read.
//
// Threads: one object belongs to one thread at a time.
class CAudioDecoder {
public:
    CAudioDecoder();
    ~CAudioDecoder();
    CAudioDecoder(const CAudioDecoder&) = delete;
    CAudioDecoder& operator=(const CAudioDecoder&) = delete;

    // Opens the file as the raw path opens it (exclusive, regular files only, CFileException when
    // that fails); CDecodeError when neither libsndfile nor FFmpeg can read it. A file still open
    // is closed first.
    void Open(const std::string& path);
    // Up to `count` decoded samples; fewer only at the end of the stream, 0 past it. Damaged data
    // after the start ends the stream where it begins, with a Warning(); CDecodeError when the
    // resampler fails or the file shrank since it was opened.
    std::size_t Read(std::int16_t* samples, std::size_t count);
    // True when no sample is left (decodes ahead as far as needed to know).
    bool AtEnd();
    void Close();
    bool IsOpen() const;

    int SourceRate() const { return m_sourceRate; }
    int SourceChannels() const { return m_sourceChannels; }
    // Frames the header announces (0 when it does not say), and frames read so far.
    std::uint64_t SourceFrames() const { return m_sourceFrames; }
    std::uint64_t SourceFramesRead() const { return m_sourceFramesRead; }
    std::uint64_t ClippedSamples() const;
    // Empty, or why the stream ended before the end of the file (read on one line).
    const std::string& Warning() const { return m_warning; }

private:
    struct Sound;
    bool Refill();  // decodes the next chunk; false at the end

    CFile m_file;
    std::string m_path;
    std::unique_ptr<Sound> m_sound;
    std::unique_ptr<CMonoResampler> m_resampler;
    std::vector<double> m_frames;         // one chunk of interleaved frames
    std::vector<std::int16_t> m_pending;  // decoded, not yet read
    std::size_t m_pendingRead = 0;
    bool m_inputDone = false;
    int m_sourceRate = 0;
    int m_sourceChannels = 0;
    std::uint64_t m_sourceFrames = 0;
    std::uint64_t m_sourceFramesRead = 0;
    long long m_openedSize = -1;  // bytes, at Open
    std::string m_warning;
};

struct DecodedAudio {
    std::vector<std::int16_t> samples;
    std::uint64_t clippedSamples = 0;  // samples that had to be clipped to 16 bits
    int sourceRate = 0;
    int sourceChannels = 0;
    std::string warning;  // why decoding stopped before the end of the file, if it did
};

// Decodes the whole file into memory, as CAudioDecoder streams it.
DecodedAudio DecodeAudioFile(const std::string& path);

// True when `path` is a regular file that libsndfile or FFmpeg reads as audio (a headerless file
// is not).
// Never blocks: what is not a regular file is not opened.
bool IsDecodableAudio(const std::string& path);

// The file-name extensions of the formats this libsndfile build and FFmpeg read, lower case,
// without the dot ("wav", "flac", ...), each once.
std::vector<std::string> DecodableExtensions();

}  // namespace platform
