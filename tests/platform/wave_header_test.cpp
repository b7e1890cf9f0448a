// What a WAVE header written by libsndfile says to the raw path (hostile headers: the fuzz
// target's seeds).
#include "platform/audio_files/wave_header.h"

#include <gtest/gtest.h>

#include "../support/sound_file_support.h"

namespace {

TEST(WaveHeader, DescribesWhatTheRawPathIgnores) {
    struct Case {
        int format, rate, channels;
        const char* expected;  // nullptr: nothing to say
    } const cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, nullptr},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, "44100 Hz stereo"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1, "48000 Hz mono 24-bit"},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1, "11025 Hz mono 8-bit"},
        {SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 6, "8000 Hz 6 channels mu-law"},
        {SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 96000, 2, "96000 Hz stereo 32-bit float"},
        {SF_FORMAT_RAW | SF_FORMAT_PCM_16, 44100, 2, nullptr},
    };
    sound_file_test::ScratchFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.File("t.wav");
        sound_file_test::WriteSoundFile(path, c.format, c.rate, c.channels,
                                        std::vector<std::int16_t>(c.channels * 100, 1000));
        EXPECT_EQ(platform::DescribeForeignWaveHeader(path).value_or("-"),
                  c.expected ? c.expected : "-")
            << c.format;
    }
    EXPECT_FALSE(platform::DescribeForeignWaveHeader(folder.File("missing.wav")));
}

}  // namespace
