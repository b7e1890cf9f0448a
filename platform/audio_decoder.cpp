#include "platform/audio_decoder.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>

namespace platform {
namespace {

constexpr std::size_t kChunkValues = 1 << 16;      // samples of all channels read at a time
constexpr std::size_t kConvertedValues = 1 << 16;  // resampler output taken at a time
// Below this no recording holds speech; a header that claims less (1 Hz, say) would make a few
// bytes of input decode to gigabytes.
constexpr int kLowestSampleRate = 1000;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
struct ResamplerCloser {
    void operator()(soxr_t resampler) const { soxr_delete(resampler); }
};

// One normalised value (full scale +-1.0) to a 16-bit sample.
class SampleConverter {
public:
    explicit SampleConverter(DecodedAudio& out) : m_out(out) {}
    void Put(double value) {
        double scaled = std::isnan(value) ? 0.0 : std::round(value * 32768.0);
        if (scaled > 32767.0) {
            scaled = 32767.0;
            ++m_out.clippedSamples;
        } else if (scaled < -32768.0) {
            scaled = -32768.0;
            ++m_out.clippedSamples;
        }
        m_out.samples.push_back(static_cast<std::int16_t>(scaled));
    }

private:
    DecodedAudio& m_out;
};

}  // namespace

CDecodeError::CDecodeError(const std::string& fileName, const std::string& reason)
    : CFileException(Cause::generic, 0, fileName),
      m_message("Cannot decode " + fileName + ": " + reason) {
    // libsndfile's reasons may carry line breaks; the report stays on one line.
    std::replace(m_message.begin(), m_message.end(), '\n', ' ');
    while (!m_message.empty() && m_message.back() == ' ') m_message.pop_back();
}

DecodedAudio DecodeAudioFile(const std::string& path) {
    CFile file;
    file.Open(path);
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> sound(
        sf_open_fd(file.GetHandle(), SFM_READ, &info, SF_FALSE));
    if (!sound) throw CDecodeError(path, sf_strerror(nullptr));
    if (info.channels < 1 || info.samplerate < 1)
        throw CDecodeError(path, "no channels or no sample rate");
    if (info.samplerate < kLowestSampleRate)
        throw CDecodeError(path, "a sample rate of " + std::to_string(info.samplerate) +
                                     " Hz is below " + std::to_string(kLowestSampleRate) + " Hz");

    DecodedAudio out;
    out.sourceRate = info.samplerate;
    out.sourceChannels = info.channels;
    const bool resample = info.samplerate != kDecodedSampleRate;

    std::unique_ptr<std::remove_pointer_t<soxr_t>, ResamplerCloser> resampler;
    if (resample) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        resampler.reset(
            soxr_create(info.samplerate, kDecodedSampleRate, 1, &error, &io, &quality, nullptr));
        if (!resampler || error) throw CDecodeError(path, error ? error : "resampler failed");
    }

    const sf_count_t channels = info.channels;
    const sf_count_t chunkFrames =
        std::max<sf_count_t>(1, static_cast<sf_count_t>(kChunkValues) / channels);
    std::vector<double> frames(static_cast<std::size_t>(chunkFrames * channels));
    std::vector<double> mono(static_cast<std::size_t>(chunkFrames));
    // The resampler fills this as far as it goes; what it could not take yet is offered again.
    std::vector<double> converted(kConvertedValues);
    SampleConverter convert(out);

    for (bool endOfInput = false; !endOfInput;) {
        const sf_count_t got = sf_readf_double(sound.get(), frames.data(), chunkFrames);
        if (sf_error(sound.get()) != SF_ERR_NO_ERROR)
            throw CDecodeError(path, sf_strerror(sound.get()));
        endOfInput = got < chunkFrames;
        for (sf_count_t f = 0; f < got; ++f) {
            double sum = 0.0;
            for (sf_count_t c = 0; c < channels; ++c) sum += frames[f * channels + c];
            mono[f] = sum / static_cast<double>(channels);
        }
        if (!resample) {
            for (sf_count_t f = 0; f < got; ++f) convert.Put(mono[f]);
            continue;
        }
        const double* in = mono.data();
        std::size_t left = static_cast<std::size_t>(got);
        // A null input flushes the resampler's delay line, over several calls if need be.
        for (bool flushing = false;;) {
            std::size_t used = 0;
            std::size_t made = 0;
            const soxr_error_t error =
                soxr_process(resampler.get(), flushing ? nullptr : in, flushing ? 0 : left,
                             flushing ? nullptr : &used, converted.data(), converted.size(), &made);
            if (error) throw CDecodeError(path, error);
            if (!flushing && used == 0 && made == 0)
                throw CDecodeError(path, "the resampler took no input");
            for (std::size_t i = 0; i < made; ++i) convert.Put(converted[i]);
            if (!flushing) {
                in += used;
                left -= used;
                if (left > 0) continue;
                if (!endOfInput) break;
                flushing = true;
            } else if (made == 0) {
                break;
            }
        }
    }
    return out;
}

std::vector<std::string> DecodableExtensions() {
    std::vector<std::string> extensions;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(count));
    auto add = [&](std::string extension) {
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!extension.empty() &&
            std::find(extensions.begin(), extensions.end(), extension) == extensions.end())
            extensions.push_back(extension);
    };
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO format{};
        format.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof(format)) != 0) continue;
        if (format.extension) add(format.extension);
    }
    // Names the major-format table does not list under their usual extension.
    for (const char* extra : {"aif", "opus", "ogg"}) add(extra);
    return extensions;
}

}  // namespace platform
