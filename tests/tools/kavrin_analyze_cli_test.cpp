// The program as a user runs it: exit codes, standard error, the CSV it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

using cli_test::Lines;
using cli_test::Result;

Result RunAnalyzer(const std::string& arguments) {
    const auto errPath = std::filesystem::temp_directory_path() /
                         ("kavrin-cli-" + std::to_string(::getpid()) + ".err");
    Result result = cli_test::RunWithStderrIn(std::string(KAVRIN_ANALYZE_PATH) + " " + arguments,
                                              errPath.string());
    std::filesystem::remove(errPath);
    return result;
}

TEST(KavrinAnalyzeCli, HelpVersionAndUsageErrors) {
    const Result help = RunAnalyzer("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--bins"), std::string::npos);
    EXPECT_NE(help.out.find("time_s"), std::string::npos);
    EXPECT_EQ(RunAnalyzer("--version").status, 0);
    const Result usage = RunAnalyzer("--volume");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_NE(usage.err.find("--volume"), std::string::npos);
    EXPECT_EQ(RunAnalyzer("").status, 2);
}

TEST(KavrinAnalyzeCli, AMissingFileGivesOneLineAndTheOthersAreStillAnalysed) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kavrin-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto good = dir / "good.wav";
    {
        std::ofstream out(good, std::ios::binary);
        std::vector<char> bytes(24576 + 8192 * 2, 1);
        out.write(bytes.data(), bytes.size());
    }
    const Result r = RunAnalyzer((dir / "missing.wav").string() + " " + good.string());
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_NE(r.err.find("missing.wav"), std::string::npos);
    EXPECT_EQ(Lines(r.out), 1 + 2);  // header and the two cycles of the good file
    EXPECT_NE(r.out.find(good.string() + ",2,"), std::string::npos);
}

TEST(KavrinAnalyzeCli, ToneWithBinsWritesTwentyColumns) {
    const Result r = RunAnalyzer("--tone 10 --amplitude 1000 --blocks 5 --bins");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out), 6);
    const std::string last = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1);
    EXPECT_EQ(std::count(last.begin(), last.end(), ','), 19);
    EXPECT_EQ(last.rfind(",5,", 0), 0u);  // empty file column, block 5
    EXPECT_NE(last.find(",20,"), std::string::npos);
}

}  // namespace
