#include "vamp/host_input.h"

#include <algorithm>

CHostInput::CHostInput(std::size_t channels, std::size_t step, std::size_t blockSize)
    : m_channels(channels), m_step(step), m_blockSize(blockSize) {}

void CHostInput::PutSilence(std::uint64_t count, std::vector<double>& frames) const {
    frames.insert(frames.end(), count * m_channels, 0.0);
}

void CHostInput::Take(const float* const* channels, std::vector<double>& frames) {
    const std::uint64_t start = m_blocks * m_step;
    ++m_blocks;
    for (std::size_t i = static_cast<std::size_t>(m_taken - start); i < m_blockSize; ++i) {
        bool silent = true;
        for (std::size_t c = 0; c < m_channels; ++c) silent = silent && channels[c][i] == 0.0f;
        ++m_taken;
        if (silent) {
            ++m_silentFrames;
            continue;
        }
        PutSilence(m_silentFrames, frames);
        m_silentFrames = 0;
        for (std::size_t c = 0; c < m_channels; ++c)
            frames.push_back(static_cast<double>(channels[c][i]));
    }
    // More silence than a host pads with belongs to the recording.
    if (m_silentFrames > m_blockSize) {
        PutSilence(m_silentFrames - m_blockSize, frames);
        m_silentFrames = m_blockSize;
    }
}
