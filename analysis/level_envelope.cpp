#include "analysis/level_envelope.h"

#include <algorithm>
#include <cmath>

CLevelEnvelope::CLevelEnvelope(int sampleRate, std::size_t firstStretch)
    : m_sampleRate(sampleRate > 0 ? sampleRate : 1),
      m_stretch(std::max<std::size_t>(1, firstStretch)) {}

void CLevelEnvelope::Put(const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (m_filled == 0 || m_filled == m_stretch) {
            if (m_min.size() == kMaxStretches) Halve();
            if (m_filled == m_stretch || m_min.empty()) {
                m_min.push_back(samples[i]);
                m_max.push_back(samples[i]);
                m_filled = 1;
                ++m_samples;
                continue;
            }
        }
        m_min.back() = std::min(m_min.back(), samples[i]);
        m_max.back() = std::max(m_max.back(), samples[i]);
        ++m_filled;
        ++m_samples;
    }
}

void CLevelEnvelope::Halve() {
    const std::size_t pairs = m_min.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        m_min[i] = std::min(m_min[2 * i], m_min[2 * i + 1]);
        m_max[i] = std::max(m_max[2 * i], m_max[2 * i + 1]);
    }
    // An odd last stretch is open: it carries on as the first half of a doubled one.
    const bool odd = m_min.size() % 2 != 0;
    if (odd) {
        m_min[pairs] = m_min.back();
        m_max[pairs] = m_max.back();
    }
    m_min.resize(pairs + (odd ? 1 : 0));
    m_max.resize(m_min.size());
    if (!odd) m_filled = m_stretch * 2;  // the last pair was whole
    m_stretch *= 2;
}

std::pair<std::int16_t, std::int16_t> CLevelEnvelope::Range(double from, double to) const {
    if (m_min.empty() || !(to >= from) || to < 0.0) return {0, 0};
    const double first =
        std::floor(std::max(0.0, from) * m_sampleRate / static_cast<double>(m_stretch));
    const double last = std::floor(to * m_sampleRate / static_cast<double>(m_stretch));
    if (first >= static_cast<double>(m_min.size())) return {0, 0};
    const auto begin = static_cast<std::size_t>(first);
    const auto end = std::min(m_min.size(), static_cast<std::size_t>(std::max(first, last)) + 1);
    std::int16_t low = m_min[begin];
    std::int16_t high = m_max[begin];
    for (std::size_t i = begin + 1; i < end; ++i) {
        low = std::min(low, m_min[i]);
        high = std::max(high, m_max[i]);
    }
    return {low, high};
}
