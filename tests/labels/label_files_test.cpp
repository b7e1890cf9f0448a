// Label files written and read back in every format, hostile files refused with a line number,
// and the sidecar written without following a planted link.
#include "labels/label_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "labels/audacity_labels.h"
#include "labels/elan_eaf.h"
#include "labels/label_sidecar.h"
#include "labels/praat_textgrid.h"
#include "tests/support/sound_file_support.h"

namespace kavrin_labels {
namespace {

using sound_file_test::ScratchFolder;

// Times on whole milliseconds (what an EAF keeps), a gap, a mark, texts with quotes and UTF-8.
LabelSet Sample() {
    LabelSet labels;
    labels.tier = "questions";
    labels.segments = {{0.25, 1.5, "Frage \"eins\" \xC3\xA4"},
                       {2.0, 2.0, "knock"},
                       {3.125, 4.0, "q2, <answer> & more"}};
    return labels;
}

class RoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(RoundTrip, WrittenLabelsReadBackEqual) {
    ScratchFolder folder;
    const std::string path = folder.File(std::string("take") + GetParam());
    ASSERT_EQ(WriteLabelFile(path, Sample(), folder.File("take.wav")), "");
    const LabelReadResult read = ReadLabelFile(path);
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.labels.segments, Sample().segments);
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         testing::Values(".txt", ".TextGrid", ".eaf", ".wav.kavrin-labels.txt"));

struct BadInput {
    LabelFormat format;
    const char* bytes;
    const char* error;
};

class Hostile : public testing::TestWithParam<BadInput> {};

TEST_P(Hostile, RefusedWithTheLine) {
    const std::string bytes = GetParam().bytes;
    LabelReadResult read;
    switch (GetParam().format) {
        case LabelFormat::Audacity:
            read = ParseAudacityLabels(bytes);
            break;
        case LabelFormat::TextGrid:
            read = ParseTextGrid(bytes);
            break;
        case LabelFormat::Eaf:
            read = ParseEaf(bytes);
            break;
        case LabelFormat::Sidecar:
            read = ParseSidecar(bytes);
            break;
    }
    EXPECT_NE(read.error.find(GetParam().error), std::string::npos) << read.error;
}

const char kGrid[] = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n0\n1\n<exists>\n";

INSTANTIATE_TEST_SUITE_P(
    Files, Hostile,
    testing::Values(
        BadInput{LabelFormat::Audacity, "1\t2\tok\n\nx\t3\tbad\n", "line 3: the start"},
        BadInput{LabelFormat::Audacity, "1\t2\tok\n3\t1\tbackwards\n", "line 2: the end lies"},
        BadInput{LabelFormat::Audacity, "1\tnan\tx\n", "line 1: the end is not"},
        BadInput{LabelFormat::Audacity, "1\t2\t\xC3(\n", "line 1: not UTF-8"},
        BadInput{LabelFormat::TextGrid, "File type = \"ooBinaryFile\"", "binary TextGrid"},
        BadInput{LabelFormat::TextGrid, "File type = \"ooTextFile\"\n\"TextGrid\"\n0\n\"x",
                 "line 4: a text in quotes is not closed"},
        BadInput{LabelFormat::TextGrid,
                 "\"ooTextFile\"\n\"TextGrid\"\n0\n1\n<exists>\n99999999999\n",
                 "line 6: the number of tiers is not a count"},
        BadInput{LabelFormat::TextGrid,
                 "\"ooTextFile\"\n\"TextGrid\"\n0\n1\n<exists>\n1\n\"IntervalTier\"\n\"a\"\n0\n1\n"
                 "1\n0\n1e999\n\"x\"",
                 "line 13: an interval's xmax is not a number"},
        BadInput{LabelFormat::TextGrid, kGrid, "the file ends where the number of tiers"},
        BadInput{LabelFormat::Eaf, "<ANNOTATION_DOCUMENT>\n<TIER>", "line 2: not well-formed"},
        BadInput{LabelFormat::Eaf,
                 "<!DOCTYPE a [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]>\n"
                 "<ANNOTATION_DOCUMENT/>",
                 "document type declaration"},
        BadInput{LabelFormat::Eaf,
                 "<ANNOTATION_DOCUMENT><TIME_ORDER>\n<TIME_SLOT TIME_SLOT_ID=\"t\" "
                 "TIME_VALUE=\"-5\"/></TIME_ORDER></ANNOTATION_DOCUMENT>",
                 "line 2: TIME_VALUE is not a whole number"},
        BadInput{LabelFormat::Eaf,
                 "<ANNOTATION_DOCUMENT><TIER TIER_ID=\"x\">\n<ANNOTATION><ALIGNABLE_ANNOTATION "
                 "TIME_SLOT_REF1=\"a\" TIME_SLOT_REF2=\"b\"/></ANNOTATION></TIER>"
                 "</ANNOTATION_DOCUMENT>",
                 "line 2: an annotation refers to a time slot"},
        BadInput{LabelFormat::Sidecar, "kavrin-labels\t2\n", "line 1: labels of version 2"},
        BadInput{LabelFormat::Sidecar, "kavrin-labels\t1\nsegment\t1\t2\n",
                 "line 2: a segment needs"},
        BadInput{LabelFormat::Sidecar, "kavrin-labels\t1\nsegment\t1\t2\tbad \\q\n",
                 "line 2: a segment needs"}));

TEST(Sidecar, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    ScratchFolder folder;
    const std::string recording = folder.File("take.wav");
    const std::string victim = folder.File("victim");
    std::ofstream(victim) << "keep";
    std::filesystem::create_symlink(victim, SidecarPathFor(recording));
    LabelSet labels = Sample();
    labels.segments[0].text = "line\tbreak\nand \\ backslash";
    ASSERT_EQ(SaveSidecar(recording, labels), "");
    EXPECT_TRUE(std::filesystem::is_regular_file(
        std::filesystem::symlink_status(SidecarPathFor(recording))));
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
    bool found = false;
    const LabelReadResult read = LoadSidecar(recording, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(read.labels.segments, labels.segments);
    EXPECT_EQ(read.labels.media, "take.wav");
    // Later records are skipped by this version.
    EXPECT_EQ(ParseSidecar("kavrin-labels\t1\nbaseline\t0\t3\nsegment\t1\t2\tx\n").labels.segments,
              (std::vector<Segment>{{1, 2, "x"}}));
    // Only what leaves no temporary file behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 2);
}

TEST(Sidecar, AnUnwritableFolderIsAnError) {
    EXPECT_NE(SaveSidecar("/nonexistent-folder/take.wav", Sample()), "");
}

}  // namespace
}  // namespace kavrin_labels
