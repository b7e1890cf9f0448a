// The level of a recording for drawing it whole: the minimum and maximum sample of each stretch
// of 2^k samples, as audio editors draw a waveform. Its size stays bounded whatever the length:
// when the stretches would outnumber the bound, pairs of them merge and the stretch doubles.
//
// Threads: filled by one thread; read by another only after the filling thread is through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class CLevelEnvelope {
public:
    // At most this many stretches are kept (two 16-bit values each: 2 MiB).
    static constexpr std::size_t kMaxStretches = std::size_t{1} << 19;

    explicit CLevelEnvelope(int sampleRate = 11025, std::size_t firstStretch = 16);

    void Put(const std::int16_t* samples, std::size_t count);

    int SampleRate() const { return m_sampleRate; }
    std::uint64_t Samples() const { return m_samples; }
    double Seconds() const { return static_cast<double>(m_samples) / m_sampleRate; }
    std::size_t Stretch() const { return m_stretch; }
    std::size_t Stretches() const { return m_min.size(); }
    std::size_t Bytes() const {
        return (m_min.capacity() + m_max.capacity()) * sizeof(std::int16_t);
    }

    // Lowest and highest sample between `from` and `to` seconds of the recording; {0, 0} where
    // the recording has no sample.
    std::pair<std::int16_t, std::int16_t> Range(double from, double to) const;

private:
    void Halve();

    int m_sampleRate;
    std::size_t m_stretch;
    std::vector<std::int16_t> m_min;
    std::vector<std::int16_t> m_max;
    std::size_t m_filled = 0;  // samples in the last, open stretch
    std::uint64_t m_samples = 0;
};
