#include "platform/audio_files/mono_resampler.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace platform {
namespace {

constexpr std::size_t kChunkValues = 1 << 16;      // samples of all channels taken at a time
constexpr std::size_t kConvertedValues = 1 << 16;  // resampler output taken at a time

}  // namespace

struct CMonoResampler::Resampler {
    soxr_t handle = nullptr;
    ~Resampler() {
        if (handle) soxr_delete(handle);
    }
};

CMonoResampler::CMonoResampler(int sourceRate, int channels) : m_channels(channels) {
    if (channels < 1 || sourceRate < 1) throw std::runtime_error("no channels or no sample rate");
    m_chunkFrames = std::max<std::size_t>(1, kChunkValues / static_cast<std::size_t>(channels));
    m_mono.reserve(m_chunkFrames);
    if (sourceRate != kDecodedSampleRate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        m_resampler = std::make_unique<Resampler>();
        m_resampler->handle =
            soxr_create(sourceRate, kDecodedSampleRate, 1, &error, &io, &quality, nullptr);
        if (!m_resampler->handle || error)
            throw std::runtime_error(error ? error : "resampler failed");
        m_converted.resize(kConvertedValues);
    }
}

CMonoResampler::~CMonoResampler() = default;

void CMonoResampler::PutSample(double value, std::vector<std::int16_t>& out) {
    double scaled = std::isnan(value) ? 0.0 : std::round(value * 32768.0);
    if (scaled > 32767.0) {
        scaled = 32767.0;
        ++m_clipped;
    } else if (scaled < -32768.0) {
        scaled = -32768.0;
        ++m_clipped;
    }
    out.push_back(static_cast<std::int16_t>(scaled));
}

void CMonoResampler::Put(const double* interleaved, std::size_t frames,
                         std::vector<std::int16_t>& out) {
    if (m_finished) throw std::logic_error("samples after the end of input");
    const std::size_t channels = static_cast<std::size_t>(m_channels);
    for (std::size_t f = 0; f < frames; ++f) {
        double sum = 0.0;
        for (std::size_t c = 0; c < channels; ++c) sum += interleaved[f * channels + c];
        m_mono.push_back(sum / static_cast<double>(channels));
        if (m_mono.size() == m_chunkFrames) {
            Convert(m_mono.data(), m_mono.size(), false, out);
            m_mono.clear();
        }
    }
}

void CMonoResampler::Finish(std::vector<std::int16_t>& out) {
    if (m_finished) return;
    m_finished = true;
    Convert(m_mono.data(), m_mono.size(), true, out);
    m_mono.clear();
}

void CMonoResampler::Convert(const double* mono, std::size_t count, bool last,
                             std::vector<std::int16_t>& out) {
    if (!m_resampler) {
        for (std::size_t i = 0; i < count; ++i) PutSample(mono[i], out);
        return;
    }
    // Offered until all is taken; at the end a null input drains the delay line, over several
    // calls if need be. An empty chunk is never offered as input (the resampler would take
    // nothing and make nothing, which is no error).
    std::size_t left = count;
    while (left > 0) {
        std::size_t used = 0;
        std::size_t made = 0;
        const soxr_error_t error = soxr_process(m_resampler->handle, mono, left, &used,
                                                m_converted.data(), m_converted.size(), &made);
        if (error) throw std::runtime_error(error);
        if (used == 0 && made == 0) throw std::runtime_error("the resampler took no input");
        for (std::size_t i = 0; i < made; ++i) PutSample(m_converted[i], out);
        mono += used;
        left -= used;
    }
    if (!last) return;
    for (;;) {
        std::size_t made = 0;
        const soxr_error_t error = soxr_process(m_resampler->handle, nullptr, 0, nullptr,
                                                m_converted.data(), m_converted.size(), &made);
        if (error) throw std::runtime_error(error);
        if (made == 0) break;
        for (std::size_t i = 0; i < made; ++i) PutSample(m_converted[i], out);
    }
}

}  // namespace platform
