// --decode and --live as a user runs them: a file libsndfile cannot read is one line on standard
// error, exit status 1, and the files after it are still analysed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "../support/sound_file_support.h"
#include "cli_run.h"

namespace {

using namespace sound_file_test;

using cli_test::Lines;
using cli_test::Result;

Result RunTool(const ScratchFolder& folder, const std::string& arguments) {
    return cli_test::RunWithStderrIn(
        std::string(KAVRIN_ANALYZE_PATH) + " --no-progress " + arguments,
        folder.File("stderr.txt"));
}

TEST(KavrinAnalyzeDecodeCli, AnUnreadableFileIsOneLineAndTheOthersAreStillAnalysed) {
    ScratchFolder folder;
    const std::string bad = folder.File("bad.flac");
    const std::string good = folder.File("good.flac");
    std::ofstream(bad) << "fLaC but nothing after it";
    WriteSoundFile(good, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, TestSamples(44100 * 2 * 3));
    for (const char* mode : {"--decode", "--live"}) {
        SCOPED_TRACE(mode);
        const Result r = RunTool(folder, std::string(mode) + " " + bad + " " + good);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_EQ(r.err.rfind("kavrin-analyze: " + bad + ": Cannot decode " + bad + ": ", 0), 0u)
            << r.err;
        EXPECT_GT(Lines(r.out), 4);  // the header and the good file's rows
        EXPECT_NE(r.out.find(good + ",1,"), std::string::npos);
        EXPECT_EQ(r.out.find(bad + ","), std::string::npos);
    }
    EXPECT_EQ(RunTool(folder, "--decode --tone 10 --amplitude 5 --blocks 2").status, 2);
    EXPECT_EQ(RunTool(folder, "--live=1 " + good).status, 2);
}

TEST(KavrinAnalyzeDecodeCli, DamagedDataGivesTheRowsBeforeItAndSaysWhere) {
    ScratchFolder folder;
    const std::string cut = folder.File("cut.flac");
    WriteSoundFile(cut, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, TestSamples(44100 * 2 * 20));
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 30000);
    for (const char* mode : {"--decode", "--live"}) {
        SCOPED_TRACE(mode);
        const Result r = RunTool(folder, std::string(mode) + " " + cut);
        EXPECT_EQ(r.status, 0);
        EXPECT_GT(Lines(r.out), 20);
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_EQ(r.err.rfind("kavrin-analyze: " + cut + ": Damaged data in " + cut + " after ", 0),
                  0u)
            << r.err;
    }
}

}  // namespace
