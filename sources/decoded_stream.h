// The decoded samples of an audio file, read as the file source reads a raw file's bytes: the
// 16-bit samples in memory order, from the first on, so that everything after the read (stream
// layout, cycles, playback, end of file) is the raw path's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CDecodedStream {
public:
    // Decodes the whole file (platform::DecodeAudioFile); throws what that throws, and then
    // stays closed.
    void Open(const std::string& path);
    // Length of the decoded stream in bytes (two per sample).
    std::uint64_t GetLength() const { return m_samples.size() * sizeof(std::int16_t); }
    // Up to `count` bytes from the read position; fewer at the end, 0 past it.
    std::size_t Read(void* buffer, std::size_t count);
    void Close();
    bool IsOpen() const { return m_open; }
    std::uint64_t ClippedSamples() const { return m_clipped; }

private:
    std::vector<std::int16_t> m_samples;
    std::uint64_t m_position = 0;  // bytes
    std::uint64_t m_clipped = 0;
    bool m_open = false;
};
