// Frames of any channel count and rate to what the analysis takes: 16-bit mono samples at 11025
// per second. Channels are averaged; another rate is converted by libsoxr at its very high
// quality; values (full scale +-1.0) are rounded, halves away from zero, and clipped to 16 bits.
// A mono stream at 11025 Hz is not resampled, so 16-bit samples come out exactly as they went in.
//
// The resampler is always fed in the same chunks, whatever pieces the caller hands in, so that a
// file decoded in one go and the same samples arriving block by block (a plugin host's blocks)
// give the very same output.
//
// Threads: one object belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

inline constexpr int kDecodedSampleRate = 11025;

class CMonoResampler {
public:
    // Throws std::runtime_error when the resampler cannot be made (channels or rate below 1).
    CMonoResampler(int sourceRate, int channels);
    ~CMonoResampler();
    CMonoResampler(const CMonoResampler&) = delete;
    CMonoResampler& operator=(const CMonoResampler&) = delete;

    // Appends the converted samples of `frames` interleaved frames to `out`.
    void Put(const double* interleaved, std::size_t frames, std::vector<std::int16_t>& out);
    // End of input: appends what the resampler still holds. Put after Finish is not allowed.
    void Finish(std::vector<std::int16_t>& out);

    // Samples that had to be clipped to 16 bits so far.
    std::uint64_t ClippedSamples() const { return m_clipped; }
    bool Resamples() const { return m_resampler != nullptr; }
    // Mono frames the resampler takes at a time.
    std::size_t ChunkFrames() const { return m_chunkFrames; }

private:
    struct Resampler;
    void Convert(const double* mono, std::size_t count, bool last, std::vector<std::int16_t>& out);
    void PutSample(double value, std::vector<std::int16_t>& out);

    int m_channels;
    std::size_t m_chunkFrames;
    std::unique_ptr<Resampler> m_resampler;  // null when the rate is already 11025 Hz
    std::vector<double> m_mono;              // averaged frames waiting for a whole chunk
    std::vector<double> m_converted;
    std::uint64_t m_clipped = 0;
    bool m_finished = false;
};

}  // namespace platform
