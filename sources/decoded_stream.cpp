#include "sources/decoded_stream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

void CDecodedStream::Open(const std::string& path) {
    Close();
    m_warning.clear();
    m_decoder.Open(path);
    const std::uint64_t frames = m_decoder.SourceFrames();
    if (frames > 0 && m_decoder.SourceRate() > 0) {
        const double samples = std::ceil(static_cast<double>(frames) *
                                         platform::kDecodedSampleRate / m_decoder.SourceRate());
        m_announced = static_cast<std::uint64_t>(std::min(samples, 1e18)) * sizeof(std::int16_t);
    }
}

std::uint64_t CDecodedStream::GetLength() const {
    if (m_ended) return m_position;
    return std::max(m_announced, m_position + sizeof(std::int16_t));
}

std::size_t CDecodedStream::Read(void* buffer, std::size_t count) {
    if (m_ended || !m_decoder.IsOpen()) return 0;
    const std::size_t got =
        m_decoder.Read(static_cast<std::int16_t*>(buffer), count / sizeof(std::int16_t));
    m_position += got * sizeof(std::int16_t);
    // Knowing the end as soon as it is read lets the reader's length check stop on this read,
    // as it does on a raw file.
    if (m_decoder.AtEnd()) {
        m_ended = true;
        m_warning = m_decoder.Warning();
    }
    return got * sizeof(std::int16_t);
}

void CDecodedStream::Close() {
    m_decoder.Close();
    m_position = 0;
    m_announced = 0;
    m_ended = false;
}
