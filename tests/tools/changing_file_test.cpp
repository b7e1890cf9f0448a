// A file that changes under the running file source: cut short or deleted while it plays. The
// run ends by itself, nothing crashes, and no row is invented beyond what the file held.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/analysis_runner.h"

namespace {

using namespace kavrin_analyze;

class ChangingFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallHeadlessPlatform(); }
    void SetUp() override {
        path = ::testing::TempDir() + "kavrin_changing_" + std::to_string(::getpid()) + ".wav";
        std::ofstream out(path, std::ios::binary);
        for (std::size_t i = 0; i < kBytes; ++i) out.put(static_cast<char>((i * 13) & 0xff));
    }
    void TearDown() override { std::remove(path.c_str()); }

    // Runs the file; `atRow` acts on the pump after that row.
    int Run(int atRow, const std::function<void()>& change, std::string* error,
            std::vector<double>* times = nullptr) {
        int rows = 0;
        *error = AnalyzeFile(
            path, RunSettings{},
            [&](const EvaluationRow& row) {
                if (times) times->push_back(row.timeSeconds);
                if (++rows == atRow) change();
            },
            nullptr);
        return rows;
    }

    static constexpr std::size_t kBytes = 24576 + 8192 * 40;  // 40 rows
    std::string path;
};

TEST_F(ChangingFileTest, AFileCutShortWhilePlayingEndsAtItsNewLength) {
    std::string error;
    const int rows = Run(
        3, [&] { std::filesystem::resize_file(path, 24576 + 8192 * 2); }, &error);
    EXPECT_EQ(error, "");
    // The blocks read before the cut are still analysed; no row past them.
    EXPECT_GE(rows, 3);
    EXPECT_LE(rows, 6);
    // And one cut to nothing.
    const int none = Run(
        2, [&] { std::filesystem::resize_file(path, 0); }, &error);
    EXPECT_EQ(error, "");
    EXPECT_LE(none, 5);
}

TEST_F(ChangingFileTest, AFileThatGrowsWhilePlayingIsFollowedInTime) {
    std::string error;
    std::vector<double> times;
    const int rows = Run(
        3,
        [&] {
            std::ofstream(path, std::ios::binary | std::ios::app) << std::string(8192 * 20, 'x');
        },
        &error, &times);
    EXPECT_EQ(error, "");
    EXPECT_EQ(rows, 60);
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]) << i;
    // The times of the file that held the grown length from the start.
    std::vector<double> grown;
    Run(
        0, [] {}, &error, &grown);
    EXPECT_EQ(times, grown);
}

TEST_F(ChangingFileTest, AFileDeletedWhilePlayingIsPlayedToItsEnd) {
    std::string error;
    const int rows = Run(
        3, [&] { std::remove(path.c_str()); }, &error);
    EXPECT_EQ(error, "");
    // The open file keeps its data until it is closed.
    EXPECT_EQ(rows, 40);
}

}  // namespace
