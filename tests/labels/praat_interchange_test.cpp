// TextGrids shared with the real Praat (`praat --run`): what Kavrin writes, Praat reads to the
// same intervals; what Praat writes (long, short, UTF-16), Kavrin reads to the same labels.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "labels/label_files.h"
#include "tests/support/sound_file_support.h"

namespace kavrin_labels {
namespace {

using sound_file_test::ScratchFolder;

// Runs a Praat script; returns what it printed, or fails the test.
std::string RunPraat(const ScratchFolder& folder, const std::string& script) {
    const std::string path = folder.File("script.praat");
    std::ofstream(path) << script;
    FILE* pipe = ::popen(("timeout 60 praat --run " + path + " 2>&1").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pipe ? ::pclose(pipe) : -1;
    EXPECT_EQ(status, 0) << "praat (Debian package praat, scripts/install-deps.sh): " << out;
    return out;
}

const std::vector<Segment> kLabels = {
    {0.5, 1.25, "Frage \"eins\" \xC3\xA4"}, {1.75, 1.75, "knock"}, {2.0, 3.0, "two"}};

TEST(PraatInterchange, PraatReadsKavrinsTextGrid) {
    ScratchFolder folder;
    const std::string grid = folder.File("kavrin.TextGrid");
    ASSERT_EQ(WriteLabelFile(grid, LabelSet{"questions", kLabels, 3.5, {}, {}}), "");
    const std::string printed = RunPraat(folder, "Read from file: \"" + grid + "\"\n" + R"(
for tier to 2
    if tier = 1
        n = Get number of intervals: 1
    else
        n = Get number of points: 2
    endif
    for i to n
        if tier = 1
            t1 = Get start time of interval: 1, i
            t2 = Get end time of interval: 1, i
            text$ = Get label of interval: 1, i
        else
            t1 = Get time of point: 2, i
            t2 = t1
            text$ = Get label of point: 2, i
        endif
        appendInfoLine: fixed$(t1, 6), " ", fixed$(t2, 6), " ", text$
    endfor
endfor
)");
    EXPECT_EQ(printed,
              "0 0.500000 \n0.500000 1.250000 Frage \"eins\" \xC3\xA4\n"
              "1.250000 2.000000 \n2.000000 3.000000 two\n3.000000 3.500000 \n"
              "1.750000 1.750000 knock\n");
}

class PraatWrites : public testing::TestWithParam<const char*> {};

TEST_P(PraatWrites, KavrinReadsTheSameLabels) {
    ScratchFolder folder;
    const std::string grid = folder.File("praat.TextGrid");
    RunPraat(folder, std::string(R"(
Create TextGrid: 0, 3.5, "questions marks", "marks"
Insert boundary: 1, 0.5
Insert boundary: 1, 1.25
Insert boundary: 1, 2
Insert boundary: 1, 3
Set interval text: 1, 2, "Frage ""eins"" ä"
Set interval text: 1, 4, "two"
Insert point: 2, 1.75, "knock"
)") + GetParam() + " \"" +
                         grid + "\"\n");
    const LabelReadResult read = ReadLabelFile(grid);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.labels.tier, "questions");
    EXPECT_EQ(read.labels.duration, 3.5);
    EXPECT_EQ(read.labels.segments, kLabels);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, PraatWrites,
    testing::Values("Text writing preferences: \"UTF-8\"\nSave as text file:",
                    "Text writing preferences: \"UTF-8\"\nSave as short text file:",
                    "Text writing preferences: \"UTF-16\"\nSave as text file:"));

}  // namespace
}  // namespace kavrin_labels
