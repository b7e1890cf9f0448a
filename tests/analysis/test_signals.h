// Signals for the analysis tests, made by the tests (fixed seeds, so every run sees the same).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "analysis/tremor_analyzer.h"

namespace test_signals {

constexpr double kSampleRate = 11025.0;
constexpr int kBlock = CTremorAnalyzer::kBlockSize;
inline const double kPi = std::acos(-1.0);

inline std::int16_t Clip(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

// A voice-like signal: a glottal pulse train whose pitch wanders about a speaker's base (with a
// slow tremor in it), three formant resonators gliding from vowel to vowel, syllables with
// pauses, hiss in some of them, and a loudness that drives the strongest syllables into clipping
// at full scale. Pauses are sometimes exact digital silence.
class CSpeechLike {
public:
    CSpeechLike(unsigned seed, double loudness) : m_random(seed), m_loudness(loudness) {
        std::uniform_real_distribution<double> base(85.0, 230.0);
        m_basePitch = base(m_random);
        NextSyllable();
    }

    void NextBlock(std::int16_t* out) {
        for (int i = 0; i < kBlock; ++i) out[i] = Clip(NextSample());
    }

    std::vector<std::int16_t> Blocks(int count) {
        std::vector<std::int16_t> samples(static_cast<std::size_t>(count) * kBlock);
        for (int b = 0; b < count; ++b) NextBlock(samples.data() + b * kBlock);
        return samples;
    }

private:
    struct Resonator {
        double a1 = 0, a2 = 0, gain = 0, y1 = 0, y2 = 0;
        void Tune(double frequency, double bandwidth) {
            const double r = std::exp(-kPi * bandwidth / kSampleRate);
            a1 = 2 * r * std::cos(2 * kPi * frequency / kSampleRate);
            a2 = -r * r;
            gain = 1 - r;
        }
        double Step(double x) {
            const double y = gain * x + a1 * y1 + a2 * y2;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    void NextSyllable() {
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        m_voiced = unit(m_random) < 0.85;
        m_hiss = unit(m_random) < 0.3;
        m_length = static_cast<int>(kSampleRate * (0.12 + 0.25 * unit(m_random)));
        m_pause = static_cast<int>(kSampleRate * (0.03 + 0.35 * unit(m_random)));
        m_digitalSilence = unit(m_random) < 0.3;
        m_peak = m_loudness * (0.2 + 1.3 * unit(m_random));
        static const double kVowels[][3] = {{730, 1090, 2440}, {270, 2290, 3010},
                                            {300, 870, 2240},  {530, 1840, 2480},
                                            {570, 840, 2410},  {660, 1720, 2410}};
        const auto& from = kVowels[static_cast<int>(unit(m_random) * 6) % 6];
        const auto& to = kVowels[static_cast<int>(unit(m_random) * 6) % 6];
        for (int f = 0; f < 3; ++f) {
            m_formantFrom[f] = from[f];
            m_formantTo[f] = to[f];
        }
        m_position = 0;
    }

    double NextSample() {
        if (m_position >= m_length + m_pause) NextSyllable();
        const int n = m_position++;
        m_time += 1.0 / kSampleRate;
        std::normal_distribution<double> noise(0.0, 1.0);
        if (n >= m_length) return m_digitalSilence ? 0.0 : 30.0 * noise(m_random);

        const double progress = static_cast<double>(n) / m_length;
        if (n % 64 == 0) {
            for (int f = 0; f < 3; ++f) {
                const double freq =
                    m_formantFrom[f] + (m_formantTo[f] - m_formantFrom[f]) * progress;
                m_formants[f].Tune(freq, 60.0 + 40.0 * f);
            }
        }
        // Pitch: the speaker's base, a falling contour, a slow wander and a tremor near 10 Hz.
        const double pitch = m_basePitch * (1.1 - 0.2 * progress) *
                             (1.0 + 0.03 * std::sin(2 * kPi * 9.7 * m_time)) *
                             (1.0 + 0.05 * std::sin(2 * kPi * 0.7 * m_time));
        m_phase += pitch / kSampleRate;
        double excitation = 0.0;
        if (m_phase >= 1.0) {
            m_phase -= std::floor(m_phase);
            if (m_voiced) excitation = 1.0;
        }
        if (m_hiss) excitation += 0.05 * noise(m_random);
        double y = excitation;
        for (auto& r : m_formants) y = r.Step(y);
        const double envelope = std::sin(kPi * progress);
        return 32767.0 * m_peak * envelope * y * 900.0;
    }

    std::mt19937 m_random;
    double m_loudness;
    double m_basePitch = 120.0;
    double m_phase = 0.0;
    double m_time = 0.0;
    bool m_voiced = true;
    bool m_hiss = false;
    bool m_digitalSilence = false;
    int m_length = 0;
    int m_pause = 0;
    int m_position = 0;
    double m_peak = 1.0;
    double m_formantFrom[3] = {};
    double m_formantTo[3] = {};
    Resonator m_formants[3];
};

// A sum of sines (frequency in Hz, amplitude), sample n of the stream at n / 11025 s.
struct Tone {
    double frequency;
    double amplitude;
};

inline void TonesBlock(const std::vector<Tone>& tones, long firstSample, std::int16_t* out) {
    for (int i = 0; i < kBlock; ++i) {
        const double t = static_cast<double>(firstSample + i) / kSampleRate;
        double v = 0.0;
        for (const Tone& tone : tones) v += tone.amplitude * std::sin(2 * kPi * tone.frequency * t);
        out[i] = Clip(v);
    }
}

inline void NoiseBlock(std::mt19937& random, double deviation, std::int16_t* out) {
    std::normal_distribution<double> noise(0.0, deviation);
    for (int i = 0; i < kBlock; ++i) out[i] = Clip(noise(random));
}

inline void UniformBlock(std::mt19937& random, std::int16_t* out) {
    std::uniform_int_distribution<int> any(-32768, 32767);
    for (int i = 0; i < kBlock; ++i) out[i] = static_cast<std::int16_t>(any(random));
}

}  // namespace test_signals
