// --quality as a user runs it: four columns appended to the very bytes of the run without it,
// for every kind of run; and the one line on standard error for a header the raw path ignores.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../support/sound_file_support.h"
#include "cli_run.h"

namespace {

using namespace sound_file_test;

cli_test::Result RunTool(const ScratchFolder& folder, const std::string& arguments) {
    return cli_test::RunWithStderrIn(
        std::string(KAVRIN_ANALYZE_PATH) + " --no-progress " + arguments,
        folder.File("stderr.txt"));
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(KavrinAnalyzeQualityCli, QualityAppendsFourColumnsAndLeavesTheRestByteForByte) {
    ScratchFolder folder;
    const std::string mono = folder.File("mono.wav");
    const std::string stereo = folder.File("stereo.wav");
    WriteSoundFile(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(8 * 4096));
    WriteSoundFile(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, TestSamples(8 * 4096));
    const std::string runs[] = {mono, "--bins " + mono, "--decode " + stereo, "--live " + mono,
                                "--tone 10 --amplitude 1000 --blocks 3"};
    for (const std::string& run : runs) {
        SCOPED_TRACE(run);
        const cli_test::Result plain = RunTool(folder, run);
        const cli_test::Result quality = RunTool(folder, "--quality " + run);
        ASSERT_EQ(plain.status, 0);
        ASSERT_EQ(quality.status, 0);
        const std::vector<std::string> p = LinesOf(plain.out), q = LinesOf(quality.out);
        ASSERT_EQ(p.size(), q.size());
        ASSERT_GE(p.size(), 2u);
        EXPECT_EQ(q[0], p[0] + ",level_dbfs,clipped,voiced_share,f0_hz");
        for (std::size_t i = 1; i < p.size(); ++i) {
            ASSERT_EQ(q[i].compare(0, p[i].size() + 1, p[i] + ","), 0) << q[i];
            EXPECT_EQ(std::count(q[i].begin(), q[i].end(), ','),
                      std::count(p[i].begin(), p[i].end(), ',') + 4);
        }
    }
    // The end-of-file cycle of a raw run evaluates a cleared history: digital silence.
    const std::string last = LinesOf(RunTool(folder, "--quality " + mono).out).back();
    EXPECT_EQ(last.substr(last.size() - 6), ",,0,0,");
}

TEST(KavrinAnalyzeQualityCli, AHeaderTheRawPathIgnoresIsSaidOnceOnStandardError) {
    ScratchFolder folder;
    const std::string mono = folder.File("mono.wav");
    const std::string stereo = folder.File("stereo.wav");
    WriteSoundFile(mono, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, TestSamples(4 * 4096));
    WriteSoundFile(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, TestSamples(4 * 4096));
    const std::string line =
        "kavrin-analyze: " + stereo + ": 44100 Hz stereo: --decode analyses it as recorded\n";
    for (const char* jobs : {"--jobs 1 ", "--jobs 2 "}) {
        const cli_test::Result raw = RunTool(folder, jobs + stereo + " " + mono);
        EXPECT_EQ(raw.status, 0);
        EXPECT_EQ(raw.err, line);
    }
    EXPECT_EQ(RunTool(folder, "--decode " + stereo).err, "");
}

}  // namespace
