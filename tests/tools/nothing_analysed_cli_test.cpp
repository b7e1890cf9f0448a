// A file too short for any block to be analysed still gives its one designed row (the cleared
// history), and then says on standard error why nothing was analysed, with exit status 1; a
// file one byte longer is analysed quietly. The progress of a decoded input is its decoded
// position against its decoded length, placed within the share its size on disk has in a batch.
#include <gtest/gtest.h>

#include <string>

#include "../support/sound_file_support.h"
#include "cli_run.h"
#include "tools/progress_bar.h"

namespace {

using namespace sound_file_test;

struct ShortInput {
    const char* name;
    std::size_t bytes;  // raw bytes, or with --decode 16-bit mono samples at 11025 Hz * 2
    const char* mode;   // "" or "--decode"
    int status;
    const char* reason;  // what standard error says after the name, empty when quiet
};

class NothingAnalysed : public ::testing::TestWithParam<ShortInput> {};

TEST_P(NothingAnalysed, TheDesignedRowThenWhy) {
    const ShortInput c = GetParam();
    ScratchFolder folder;
    const std::string path = folder.File(c.name);
    if (std::string(c.mode).empty())
        std::ofstream(path, std::ios::binary) << std::string(c.bytes, '\x11');
    else
        WriteSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(c.bytes / 2));
    const cli_test::Result r = cli_test::RunWithStderrIn(
        std::string(KAVRIN_ANALYZE_PATH) + " --no-progress " + c.mode + " " + path,
        folder.File("stderr.txt"));
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status == 1) {
        EXPECT_EQ(r.err, "kavrin-analyze: " + path + ": " + c.reason + "\n");
        EXPECT_EQ(cli_test::Lines(r.out), 2) << r.out;  // the header and the designed row
        EXPECT_NE(r.out.find(path + ",1,"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(",65535,32777.5,40,65535,49161,0,0,0"), std::string::npos) << r.out;
    } else {
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(cli_test::Lines(r.out), 3) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, NothingAnalysed,
    ::testing::Values(
        ShortInput{"empty.raw", 0, "", 1,
                   "nothing analysed: it holds 0 bytes; an analysed block needs more than 32768"},
        ShortInput{"twenty.raw", 20, "", 1,
                   "nothing analysed: it holds 20 bytes; an analysed block needs more than 32768"},
        ShortInput{"edge.raw", 32768, "", 1,
                   "nothing analysed: it holds 32768 bytes; an analysed block needs more than "
                   "32768"},
        ShortInput{"past.raw", 32769, "", 0, ""},
        ShortInput{"short.wav", 32768, "--decode", 1,
                   "nothing analysed: its decoded stream holds 32768 bytes; an analysed block "
                   "needs more than 32768"},
        ShortInput{"enough.wav", 32770, "--decode", 0, ""}));

TEST(BatchPosition, ADecodedInputMovesThroughItsShareOnDisk) {
    using kavrin_analyze::BatchPosition;
    // A 44.1 kHz stereo WAV of 1 MB decodes to about 125 kB: its end is the end of its share.
    EXPECT_EQ(BatchPosition(500, 1000000, 125000, 125000), 1000500u);
    EXPECT_EQ(BatchPosition(0, 1000000, 62500, 125000), 500000u);
    EXPECT_EQ(BatchPosition(7, 100, 5, 0), 7u);
}

}  // namespace
