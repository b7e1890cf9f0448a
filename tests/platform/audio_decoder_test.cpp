// The decoder against files libsndfile writes: untouched samples where no conversion is due,
// averaged channels, rounding and clipping, resampling, and the one-line report of a bad file.
#include "platform/audio_files/audio_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "../support/sound_file_support.h"

using namespace sound_file_test;

namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

// The largest distance of the decoded samples from the sine they should follow at 11025 Hz,
// past the resampler's settling at either end.
double WorstDeviationFromSine(const std::vector<std::int16_t>& samples, double amplitude,
                              double hz) {
    double worst = 0.0;
    for (std::size_t i = 2000; i + 2000 < samples.size(); ++i) {
        const double expected = amplitude * std::sin(2 * M_PI * hz * i / 11025.0);
        worst = std::max(worst, std::fabs(samples[i] - expected));
    }
    return worst;
}

TEST(AudioDecoder, MonoAt11025PassesThroughUntouchedWhateverTheContainer) {
    ScratchFolder folder;
    const std::vector<std::int16_t> samples = TestSamples(30000);
    std::vector<std::int16_t> extremes = samples;
    extremes[0] = -32768;  // full scale both ways survives
    extremes[1] = 32767;
    struct Case {
        const char* name;
        int format;
        std::string title;
    };
    const Case cases[] = {
        {"plain.wav", kWav16, ""},
        {"extensible.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, ""},
        {"list.wav", kWav16, "a LIST chunk"},
        {"rf64.wav", SF_FORMAT_RF64 | SF_FORMAT_PCM_16, ""},
        {"sound.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, ""},
        {"sound.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ""},
        {"sound24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSoundFile(folder.File(c.name), c.format, 11025, 1, extremes, c.title);
        const platform::DecodedAudio decoded = platform::DecodeAudioFile(folder.File(c.name));
        EXPECT_EQ(decoded.samples, extremes);
        EXPECT_EQ(decoded.clippedSamples, 0u);
    }
    // The headers are what they claim to be.
    EXPECT_EQ(ReadBytes(folder.File("plain.wav")).size(), 44 + 2 * extremes.size());
    const std::string list = ReadBytes(folder.File("list.wav"));
    EXPECT_NE(list.find("LIST"), std::string::npos);
    EXPECT_GT(list.size(), 44 + 2 * extremes.size());
    EXPECT_NE(
        ReadBytes(folder.File("extensible.wav")).substr(0, 64).find(std::string("\xfe\xff", 2)),
        std::string::npos);
}

TEST(AudioDecoder, ChannelsAreAveragedRoundedAndClippedValuesCounted) {
    ScratchFolder folder;
    // Stereo 16-bit: (1000 + 3001) / 2 = 2000.5 rounds away from zero, as does -2000.5.
    WriteSoundFile(folder.File("stereo.wav"), kWav16, 11025, 2, {1000, 3001, -1000, -3001, 5, 7});
    platform::DecodedAudio decoded = platform::DecodeAudioFile(folder.File("stereo.wav"));
    EXPECT_EQ(decoded.samples, (std::vector<std::int16_t>{2001, -2001, 6}));
    EXPECT_EQ(decoded.sourceChannels, 2);

    // Floats beyond full scale are clipped and counted.
    WriteDoubles(folder.File("float.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 11025, 1,
                 {0.5, 1.5, -2.0, 1.0, -1.0, 0.25});
    decoded = platform::DecodeAudioFile(folder.File("float.wav"));
    EXPECT_EQ(decoded.samples,
              (std::vector<std::int16_t>{16384, 32767, -32768, 32767, -32768, 8192}));
    EXPECT_EQ(decoded.clippedSamples, 3u);  // 1.5, -2.0, and 1.0 (32768 does not fit)
}

TEST(AudioDecoder, OtherRatesAreResampledTo11025) {
    ScratchFolder folder;
    // Two seconds of a 1 kHz tone at 48 kHz, stereo with the same signal in both channels.
    const int rate = 48000;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 2 * rate; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(10000.0 * std::sin(2 * M_PI * 1000.0 * i / rate)));
        frames.push_back(v);
        frames.push_back(v);
    }
    WriteSoundFile(folder.File("phone.wav"), kWav16, rate, 2, frames);
    const platform::DecodedAudio decoded = platform::DecodeAudioFile(folder.File("phone.wav"));
    EXPECT_NEAR(static_cast<double>(decoded.samples.size()), 2 * 11025.0, 2.0);
    // Past the filter's settling, the samples follow the tone at the new rate.
    EXPECT_LT(WorstDeviationFromSine(decoded.samples, 10000.0, 1000.0), 3.0);
}

TEST(AudioDecoder, UpsamplingLongerThanOneOutputPassKeepsEverySample) {
    ScratchFolder folder;
    // Ten seconds at 8 kHz: one read of input gives more output than the resampler hands back
    // at a time, so the rest must be fetched before the next read.
    const int rate = 8000;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 10 * rate; ++i)
        samples.push_back(
            static_cast<std::int16_t>(std::lround(8000.0 * std::sin(2 * M_PI * 300.0 * i / rate))));
    WriteSoundFile(folder.File("phone8k.wav"), kWav16, rate, 1, samples);
    const platform::DecodedAudio decoded = platform::DecodeAudioFile(folder.File("phone8k.wav"));
    EXPECT_NEAR(static_cast<double>(decoded.samples.size()), 10 * 11025.0, 2.0);
    EXPECT_LT(WorstDeviationFromSine(decoded.samples, 8000.0, 300.0), 3.0);
}

TEST(AudioDecoder, ARateNoRecordingHasIsRefusedBeforeAnythingIsDecoded) {
    ScratchFolder folder;
    // Too slow, each byte would decode into hundreds of samples; too fast, the resampler's
    // set-up alone would take seconds. The header's rate is written over a valid file's.
    const struct {
        std::uint32_t rate;
        const char* said;
    } cases[] = {{0, "a sample rate of 0 Hz"},
                 {100, "100 Hz is below"},
                 {768001, "768001 Hz is above"},
                 {1000000000, "1000000000 Hz is above"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const std::string path = folder.File("claims.wav");
        WriteSoundFile(path, kWav16, 11025, 1, TestSamples(1000));
        std::string bytes = ReadBytes(path);
        const std::uint32_t fields[] = {c.rate, 2 * c.rate};  // rate and bytes per second
        bytes.replace(24, sizeof fields, reinterpret_cast<const char*>(fields), sizeof fields);
        std::ofstream(path, std::ios::binary) << bytes;
        try {
            platform::DecodeAudioFile(path);
            ADD_FAILURE() << "decoded";
        } catch (const platform::CDecodeError& error) {
            EXPECT_NE(std::string(error.what()).find(c.said), std::string::npos) << error.what();
        }
    }
}

TEST(AudioDecoder, AFileThatShrinksWhileReadIsAnErrorNotAShorterRecording) {
    ScratchFolder folder;
    const std::string path = folder.File("shrinking.wav");
    WriteSoundFile(path, kWav16, 22050, 1, TestSamples(400000));
    platform::CAudioDecoder decoder;
    decoder.Open(path);
    std::vector<std::int16_t> buffer(4096);
    ASSERT_EQ(decoder.Read(buffer.data(), buffer.size()), buffer.size());
    std::filesystem::resize_file(path, 44 + 2 * 100000);
    try {
        while (decoder.Read(buffer.data(), buffer.size()) > 0) {
        }
        ADD_FAILURE() << "the shortened stream passed for the whole recording";
    } catch (const platform::CDecodeError& error) {
        EXPECT_NE(std::string(error.what()).find("shrank from 800044 to 200044 bytes"),
                  std::string::npos)
            << error.what();
    }
}

TEST(AudioDecoder, LossyOggStreamsDecodeToTheirToneAtTheNewRate) {
    ScratchFolder folder;
    struct Case {
        const char* name;
        int format;
        int rate;
    };
    for (const Case& c : {Case{"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
                          Case{"tone.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000}}) {
        SCOPED_TRACE(c.name);
        std::vector<double> tone;
        for (int i = 0; i < 2 * c.rate; ++i)
            tone.push_back(0.3 * std::sin(2 * M_PI * 440.0 * i / c.rate));
        WriteDoubles(folder.File(c.name), c.format, c.rate, 1, tone);
        const platform::DecodedAudio decoded = platform::DecodeAudioFile(folder.File(c.name));
        EXPECT_NEAR(static_cast<double>(decoded.samples.size()), 2 * 11025.0, 11025.0 * 0.05);
        // The level of a 0.3 full-scale sine survives the codec and the resampler.
        double power = 0.0;
        for (std::size_t i = 2000; i < 20000; ++i)
            power += double(decoded.samples[i]) * decoded.samples[i];
        const double rms = std::sqrt(power / 18000.0);
        EXPECT_NEAR(rms, 0.3 * 32768.0 / std::sqrt(2.0), 700.0);
    }
}

TEST(AudioDecoder, AFileLibsndfileCannotReadGivesOneLineWithTheNameAndTheReason) {
    ScratchFolder folder;
    const std::string path = folder.File("notes.wav");
    std::ofstream(path) << "these are not\nsamples\n";
    try {
        platform::DecodeAudioFile(path);
        FAIL() << "no error";
    } catch (const platform::CDecodeError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(text.rfind("Cannot decode " + path + ": ", 0), 0u) << text;
        EXPECT_GT(text.size(), ("Cannot decode " + path + ": ").size());
        EXPECT_EQ(error.GetFileName(), path);
    }
    // A file that is not there fails as the raw path's open does.
    EXPECT_THROW(platform::DecodeAudioFile(folder.File("missing.wav")), platform::CFileException);
    // A truncated FLAC stream decodes what there is or reports; it never crashes.
    WriteSoundFile(folder.File("whole.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 11025, 1,
                   TestSamples(50000));
    const std::string flac = ReadBytes(folder.File("whole.flac"));
    std::ofstream(folder.File("cut.flac"), std::ios::binary) << flac.substr(0, flac.size() / 2);
    try {
        EXPECT_LE(platform::DecodeAudioFile(folder.File("cut.flac")).samples.size(), 50000u);
    } catch (const platform::CDecodeError&) {
    }
}

TEST(AudioDecoder, ListsTheCommonExtensions) {
    const std::vector<std::string> extensions = platform::DecodableExtensions();
    for (const char* wanted :
         {"wav", "flac", "aiff", "ogg", "opus", "mp3", "m4a", "mp4", "mkv", "webm"})
        EXPECT_NE(std::find(extensions.begin(), extensions.end(), wanted), extensions.end())
            << wanted;
}

}  // namespace
