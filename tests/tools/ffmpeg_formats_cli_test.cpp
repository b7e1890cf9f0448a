// Phone memos and the sound of videos through --decode: the same audio made into each container
// by the real ffmpeg gives the rows of the WAV it came from. Lossless codecs decode to the very
// samples of the WAV, so their rows are identical; AAC is lossy, so the rows are as many and each
// block's magnitude lies within 2 % of the WAV's (a steady tone at about 2700 here, AAC at 192
// kbit/s lands within 0.5 % of it; a missing or doubled second of audio would not).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "../support/sound_file_support.h"
#include "cli_run.h"

namespace {

using namespace sound_file_test;

struct Container {
    const char* file;
    const char* codec;
    bool lossless;
};

std::vector<std::string> RowsAfterName(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) rows.push_back(line.substr(line.find(',')));
    return rows;
}

double Magnitude(const std::string& row) {  // the eighth field after the file name
    std::size_t at = 0;
    for (int i = 0; i < 8; ++i) at = row.find(',', at) + 1;
    return std::stod(row.substr(at));
}

class FfmpegFormats : public ::testing::TestWithParam<Container> {};

TEST_P(FfmpegFormats, GiveTheRowsOfTheSameAudioInWav) {
    const Container c = GetParam();
    ScratchFolder folder;
    const std::string wav = folder.File("tone.wav");
    const std::string other = folder.File(c.file);
    ASSERT_EQ(
        std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=300:duration=4:"
                     "sample_rate=44100 -ac 2 -c:a pcm_s16le " +
                     wav + " && ffmpeg -v error -y -i " + wav + " -c:a " + c.codec + " " + other)
                        .c_str()),
        0);
    auto run = [&](const std::string& path) {
        return cli_test::RunWithStderrIn(
            std::string(KAVRIN_ANALYZE_PATH) + " --no-progress --decode " + path,
            folder.File("stderr.txt"));
    };
    const cli_test::Result fromWav = run(wav);
    const cli_test::Result fromOther = run(other);
    ASSERT_EQ(fromOther.status, 0) << fromOther.err;
    EXPECT_EQ(fromOther.err, "");
    const std::vector<std::string> expected = RowsAfterName(fromWav.out);
    const std::vector<std::string> got = RowsAfterName(fromOther.out);
    ASSERT_GT(expected.size(), 4u);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (c.lossless) {
            EXPECT_EQ(got[i], expected[i]) << "block " << i + 1;
        } else {
            EXPECT_NEAR(Magnitude(got[i]), Magnitude(expected[i]),
                        0.02 * Magnitude(expected[i]) + 1)
                << "block " << i + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, FfmpegFormats,
                         ::testing::Values(Container{"tone.mkv", "flac", true},
                                           Container{"tone.m4a", "alac", true},
                                           Container{"tone.m4a", "aac", false},
                                           Container{"tone.mp4", "aac", false}));

}  // namespace
