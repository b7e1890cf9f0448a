// The decoded samples of an audio file, read as the file source reads a raw file's bytes: the
// 16-bit samples in memory order, from the first on, so that everything after the read (stream
// layout, cycles, playback, end of file) is the raw path's.
//
// Decoding streams: each Read decodes only as far as it needs (a chunk or two ahead), so memory
// stays flat whatever the recording's length, and the decoding happens on the thread that reads
// (the playback pump), not where the file was opened.
//
// Threads: one object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/audio_files/audio_decoder.h"

class CDecodedStream {
public:
    // Opens the file and reads its header (platform::CAudioDecoder::Open); throws what that
    // throws, and then stays closed.
    void Open(const std::string& path);
    // Length of the decoded stream in bytes (two per sample). Exact once the end was reached;
    // before, what the header announces, and always more than has been read, so that a reader
    // that stops at the length stops exactly at the end.
    std::uint64_t GetLength() const;
    bool LengthKnown() const { return m_ended; }
    // Up to `count` bytes (whole samples) from the read position; fewer only at the end, 0 past
    // it. Throws platform::CDecodeError when decoding fails in the middle.
    std::size_t Read(void* buffer, std::size_t count);
    void Close();
    bool IsOpen() const { return m_decoder.IsOpen(); }
    std::uint64_t ClippedSamples() const { return m_decoder.ClippedSamples(); }
    // Empty, or why the stream ended before the end of the file (damaged data); kept after
    // Close, until the next Open.
    const std::string& Warning() const { return m_warning; }

private:
    platform::CAudioDecoder m_decoder;
    std::uint64_t m_position = 0;   // bytes
    std::uint64_t m_announced = 0;  // bytes, from the header's frame count
    bool m_ended = false;
    std::string m_warning;
};
