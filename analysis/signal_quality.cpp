#include "analysis/signal_quality.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "analysis/aubio_library.h"

static_assert(sizeof(smpl_t) == sizeof(float), "aubio built with single-precision samples");

CSignalQuality::CSignalQuality() : m_aubio(Aubio()) {
    m_pitch = m_aubio.new_aubio_pitch("yinfast", kFrameSize, kFrameSize, kSampleRate);
    if (m_pitch == nullptr) throw std::runtime_error("aubio cannot make its YIN pitch detector");
    m_aubio.aubio_pitch_set_unit(m_pitch, "Hz");
    m_aubio.aubio_pitch_set_tolerance(m_pitch, static_cast<smpl_t>(kTolerance));
    m_aubio.aubio_pitch_set_silence(m_pitch, static_cast<smpl_t>(kSilenceGateDb));
}

CSignalQuality::~CSignalQuality() {
    if (m_pitch != nullptr) m_aubio.del_aubio_pitch(m_pitch);
}

SignalQuality CSignalQuality::Measure(const std::int16_t* block) noexcept {
    SignalQuality quality;
    double sumSquares = 0.0;
    for (int hop = 0; hop < kHopCount; ++hop) {
        double hopSquares = 0.0;
        for (int i = hop * kFrameHop; i < (hop + 1) * kFrameHop; ++i) {
            const std::int16_t s = block[i];
            quality.clipped += (s == 32767 || s == -32768) ? 1u : 0u;
            hopSquares += static_cast<double>(s) * s;
            m_samples[i] = static_cast<float>(s) / 32768.0f;
        }
        m_hopSquares[hop] = hopSquares;
        sumSquares += hopSquares;
    }
    if (sumSquares > 0.0)
        quality.levelDbfs = 10.0 * std::log10(sumSquares / kBlockSize / (32768.0 * 32768.0));

    // With hop equal to frame size the detector keeps nothing from one frame to the next, so
    // the overlapping frames can be handed to it from the block itself.
    fvec_t out{1, m_pitchOut};
    int voiced = 0;
    // The detector's own silence gate, applied first: a silent frame costs no pitch search.
    const double gate = std::pow(10.0, kSilenceGateDb / 10.0) * kFrameSize * 32768.0 * 32768.0;
    for (int frame = 0; frame < kFrameCount; ++frame) {
        if (m_hopSquares[frame] + m_hopSquares[frame + 1] < gate) continue;
        fvec_t in{kFrameSize, m_samples + frame * kFrameHop};
        m_aubio.aubio_pitch_do(m_pitch, &in, &out);
        const double f0 = m_pitchOut[0];  // 0 when the gate found silence
        const double confidence = m_aubio.aubio_pitch_get_confidence(m_pitch);
        if (f0 >= kMinF0Hz && f0 <= kMaxF0Hz && confidence >= kVoicedConfidence)
            m_voicedF0[voiced++] = static_cast<float>(f0);
    }
    quality.voicedShare = static_cast<double>(voiced) / kFrameCount;
    if (voiced > 0) {
        float* middle = m_voicedF0 + voiced / 2;
        std::nth_element(m_voicedF0, middle, m_voicedF0 + voiced);
        double median = *middle;
        if (voiced % 2 == 0) median = (median + *std::max_element(m_voicedF0, middle)) / 2.0;
        quality.f0Hz = median;
    }
    return quality;
}
