#include "sources/decoded_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/audio_files/audio_decoder.h"

void CDecodedStream::Open(const std::string& path) {
    Close();
    platform::DecodedAudio decoded = platform::DecodeAudioFile(path);
    m_samples = std::move(decoded.samples);
    m_clipped = decoded.clippedSamples;
    m_position = 0;
    m_open = true;
}

std::size_t CDecodedStream::Read(void* buffer, std::size_t count) {
    const std::uint64_t length = GetLength();
    if (m_position >= length) return 0;
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, length - m_position));
    std::memcpy(buffer, reinterpret_cast<const char*>(m_samples.data()) + m_position, n);
    m_position += n;
    return n;
}

void CDecodedStream::Close() {
    m_open = false;
    m_position = 0;
    std::vector<std::int16_t>().swap(m_samples);
}
