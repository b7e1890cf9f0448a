// How good the signal of one block was: its level, its clipped samples, and how much of it was
// voiced speech with which fundamental frequency. Computed on the 4096 samples an evaluation
// shifted in, so that a reading can be judged by the signal it came from.
//
// Voicing is aubio's YIN ("yinfast": the same difference function as "yin", computed through
// an FFT) on 15 frames of 512 samples, 256 apart, all inside the block: each block is measured
// on its own, whatever came before it. A frame is voiced when it is louder than the silence
// gate, YIN's confidence (one minus the aperiodicity at the period it chose) reaches
// kVoicedConfidence, and that period lies between kMinF0Hz and kMaxF0Hz.
//
// Threads: one object per thread. Everything is allocated at construction; Measure allocates
// nothing and takes no lock, so it may run on a block pump.
#pragma once

#include <cstdint>
#include <limits>

struct _aubio_pitch_t;
struct AubioFunctions;

struct SignalQuality {
    // RMS of the block in dB relative to full scale (32768): a full-scale square wave is 0, a
    // full-scale sine -3.01. Digital silence (all zeros) is minus infinity.
    double levelDbfs = -std::numeric_limits<double>::infinity();
    // Samples at +32767 or -32768.
    std::uint32_t clipped = 0;
    // Voiced frames over all frames, 0..1; NaN until measured.
    double voicedShare = std::numeric_limits<double>::quiet_NaN();
    // Median F0 of the voiced frames in Hz; NaN when no frame was voiced.
    double f0Hz = std::numeric_limits<double>::quiet_NaN();
};

class CSignalQuality {
public:
    static constexpr int kBlockSize = 4096;
    static constexpr int kSampleRate = 11025;
    static constexpr int kFrameSize = 512;  // two periods of 43 Hz: YIN's longest lag is half
    static constexpr int kFrameHop = 256;
    static constexpr int kFrameCount = (kBlockSize - kFrameSize) / kFrameHop + 1;  // 15
    static constexpr int kHopCount = kBlockSize / kFrameHop;                       // 16
    // A frame quieter than this (dB of mean square, full scale 1.0) is silence, never voiced.
    static constexpr double kSilenceGateDb = -55.0;
    // YIN's threshold for taking the first dip of the cumulative mean normalised difference
    // as the period (aubio's default); without such a dip the deepest one is taken.
    static constexpr double kTolerance = 0.15;
    // Generated speech has most voiced frames between 0.6 and 0.95; white noise, loud or
    // quiet, never reached 0.4.
    static constexpr double kVoicedConfidence = 0.6;
    // Below this lies mains hum (50 or 60 Hz), which is periodic but no voice.
    static constexpr double kMinF0Hz = 65.0;
    static constexpr double kMaxF0Hz = 500.0;

    // Throws std::runtime_error when aubio cannot make its pitch detector.
    CSignalQuality();
    CSignalQuality(const CSignalQuality&) = delete;
    CSignalQuality& operator=(const CSignalQuality&) = delete;
    ~CSignalQuality();

    // `block` holds kBlockSize samples.
    SignalQuality Measure(const std::int16_t* block) noexcept;

private:
    const AubioFunctions& m_aubio;
    _aubio_pitch_t* m_pitch = nullptr;
    float m_samples[kBlockSize] = {};
    float m_voicedF0[kFrameCount] = {};
    double m_hopSquares[kHopCount] = {};  // sum of squared samples of each hop
    float m_pitchOut[1] = {};
};
