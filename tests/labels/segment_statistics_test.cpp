// Per-segment statistics: a generated recording whose segments hold known tones (9 Hz is band
// index 10, 11 Hz index 30), through kavrin-analyze --segments with labels in every format, and
// the same table from the rows as the window holds them.
#include "labels/segment_statistics.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "analysis/lamp.h"
#include "labels/label_files.h"
#include "tests/support/sound_file_support.h"
#include "tests/tools/cli_run.h"

namespace kavrin_labels {
namespace {

using sound_file_test::ScratchFolder;

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
    if (!line.empty() && line.back() == ',') fields.emplace_back();
    return fields;
}

class SegmentsCli : public testing::TestWithParam<const char*> {};

TEST_P(SegmentsCli, KnownTonesGiveTheirHz) {
    ScratchFolder folder;
    const std::string tones = folder.File("tones.raw");
    const std::string sox = "sox -n -r 11025 -b 16 -e signed -c 1 -t raw ";
    ASSERT_EQ(std::system((sox + folder.File("a") + " synth 6 sine 9 vol 0.5 && " + sox +
                           folder.File("b") + " synth 6 sine 11 vol 0.5 && cat " +
                           folder.File("a") + " " + folder.File("b") + " > " + tones)
                              .c_str()),
              0);
    const std::string labels = folder.File(std::string("tones") + GetParam());
    ASSERT_EQ(
        WriteLabelFile(labels,
                       LabelSet{{}, {{2, 6, "nine"}, {7, 7, "m"}, {8, 12, "eleven"}}, 0, {}, {}}),
        "");

    const cli_test::Result run = cli_test::RunWithStderrIn(
        std::string(KAVRIN_ANALYZE_PATH) + " --segments " + labels + " " + tones,
        folder.File("err"));
    ASSERT_EQ(run.status, 0) << run.err;
    std::stringstream out(run.out);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(out, line);) rows.push_back(Split(line));
    ASSERT_EQ(rows.size(), 4u) << run.out;
    // label..max, then the lamp shares (reference 30 at Threshold adjust 75: 9 Hz green,
    // 11 Hz yellow); the last evaluation of the file is no reading and enters no mean.
    const std::vector<std::string> nine = {"nine", "2", "6", "4", "10", "0", "9", "0", "9", "9"};
    const std::vector<std::string> eleven = {"eleven", "8",  "12", "4",  "10",
                                             "1",      "11", "0",  "11", "11"};
    EXPECT_EQ(std::vector<std::string>(rows[1].begin(), rows[1].begin() + 10), nine);
    EXPECT_EQ(std::vector<std::string>(rows[1].end() - 3, rows[1].end()),
              (std::vector<std::string>{"0", "0", "1"}));
    EXPECT_EQ(rows[2], Split("m,7,7,0,0,0,,,,,,,,,"));
    EXPECT_EQ(std::vector<std::string>(rows[3].begin(), rows[3].begin() + 10), eleven);
    EXPECT_EQ(std::vector<std::string>(rows[3].end() - 3, rows[3].end()),
              (std::vector<std::string>{"0", "1", "0"}));

    // The window's rows (the row CSV's values, the lamp from the tick's reference) give the
    // same table to the bit.
    const cli_test::Result plain = cli_test::RunWithStderrIn(
        std::string(KAVRIN_ANALYZE_PATH) + " " + tones, folder.File("err"));
    std::stringstream lines(plain.out);
    std::vector<StatisticsRow> window;
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Split(line);
        EvaluationRow record;
        record.timeSeconds = std::strtod(f[2].c_str(), nullptr);
        record.instFreq = std::strtod(f[3].c_str(), nullptr);
        record.avgFreq = std::strtod(f[4].c_str(), nullptr);
        record.magnitude = std::strtod(f[8].c_str(), nullptr);
        record.lamp = ToEvaluationLamp(kavrin::LampFor((4 * 75) / 10, record.instFreq));
        window.push_back(RowFromRecord(record));
    }
    const std::vector<Segment> segments = ReadLabelFile(labels).labels.segments;
    EXPECT_EQ(StatisticsCsv(ComputeSegmentStatistics(segments, window)), run.out);
}

INSTANTIATE_TEST_SUITE_P(Formats, SegmentsCli, testing::Values(".txt", ".TextGrid", ".eaf"));

TEST(SegmentStatistics, WholeBlocksOnlyAndNoReadingApart) {
    const double b = kBlockSeconds;
    const std::vector<StatisticsRow> rows = {
        {1.0 + b - 1e-9, 0, 0, 1, EvaluationLamp::Red},  // its block begins before the segment
        {1.0 + b, 10, 10, 2, EvaluationLamp::Green},
        {2.0, 20, 10, 4, EvaluationLamp::None},
        {2.2, 30, 10, 5, EvaluationLamp::Green, 0.0},  // an unvoiced block: no speech
        {2.5, kNoReadingIndex, 32000, 0, EvaluationLamp::Red},
        {3.0, 40, 0, 9, EvaluationLamp::Red},  // ends after the segment
    };
    const SegmentStatistics s =
        ComputeSegmentStatistics(std::vector<Segment>{{1.0, 2.5, "s"}}, rows)[0];
    EXPECT_EQ(s.evaluations, 4u);
    EXPECT_EQ(s.noReading, 2u);
    EXPECT_EQ(s.instMeanHz, (9.0 + 10.0) / 2);
    EXPECT_EQ(s.instMinHz, 9.0);
    EXPECT_EQ(s.instMaxHz, 10.0);
    EXPECT_DOUBLE_EQ(s.instSdHz, std::sqrt(0.5));
    EXPECT_EQ(s.avgMeanHz, 9.0);
    EXPECT_EQ(s.magnitudeMean, 3.0);
    EXPECT_EQ(s.lamps, 1u);
    EXPECT_EQ(s.greenShare, 1.0);
    // Rows out of time order (several sessions) are all looked at.
    const std::vector<StatisticsRow> shuffled = {rows[4], rows[2], rows[5],
                                                 rows[0], rows[3], rows[1]};
    const SegmentStatistics t =
        ComputeSegmentStatistics(std::vector<Segment>{{1.0, 2.5, "s"}}, shuffled)[0];
    EXPECT_EQ(StatisticsCsvRow(t), StatisticsCsvRow(s));
}

}  // namespace
}  // namespace kavrin_labels
