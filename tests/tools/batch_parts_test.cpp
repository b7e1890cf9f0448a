#include <gtest/gtest.h>

#include "platform/services/auto_reset_event.h"
#include "tools/analyze_options.h"
#include "tools/input_list.h"
#include "tools/output_names.h"
#include "tools/partial_file.h"

namespace {

using namespace kavrin_analyze;

TEST(OutputNames, PathsFromTheRootMirroredWhateverElseTheBatchHolds) {
    std::vector<std::string> names;
    EXPECT_EQ(OutputNames({"/a/day1/x.wav", "/a/day2/x.wav", "/a/day2/./x.wav-2", "/a/b/../y.WAV",
                           "/a/dir/", "-"},
                          "", &names),
              "");
    EXPECT_EQ(names,
              (std::vector<std::string>{"day1/x.wav.csv", "day2/x.wav.csv", "day2/x.wav-2.csv",
                                        "y.WAV.csv", "dir.csv", "-.csv"}));
    // With a root, an input's name is its own: more inputs change nothing.
    std::vector<std::string> more;
    EXPECT_EQ(OutputNames({"/a/day2/x.wav", "/a/day1/x.wav", "/z/q.wav"}, "/", &more), "");
    EXPECT_EQ(more,
              (std::vector<std::string>{"a/day2/x.wav.csv", "a/day1/x.wav.csv", "z/q.wav.csv"}));
    EXPECT_EQ(OutputNames({"/a/x.wav"}, "/a/", &names), "");
    EXPECT_EQ(names, std::vector<std::string>{"x.wav.csv"});
    EXPECT_NE(OutputNames({"/a/x.wav", "/b/y.wav"}, "/a", &names), "");
    EXPECT_NE(OutputNames({"/a/../x.wav"}, "/a", &names), "");
}

TEST(PartialFile, NamesCarryTheWriterAndNothingElseIsTakenForOne) {
    EXPECT_EQ(PartialName(42, 0xabcdef), ".kavrin-analyze.42.0000000000abcdef.part");
    EXPECT_EQ(PartialWriter(PartialName(4194304, ~0ull)), 4194304);
    for (const char* other :
         {".x.wav.csv.42.part", ".kavrin-analyze..0000000000abcdef.part",
          ".kavrin-analyze.4x.0000000000abcdef.part", "x.csv", ".kavrin-analyze.42.abcdef.part"})
        EXPECT_EQ(PartialWriter(other), std::nullopt) << other;
}

TEST(InputList, SeparatorsEmptyEntriesAndBlanks) {
    EXPECT_EQ(SplitInputList("a.wav\n b.wav \n\nc", false),
              (std::vector<std::string>{"a.wav", " b.wav ", "c"}));
    EXPECT_EQ(SplitInputList(std::string("x\ny.wav\0z.wav\0", 14), true),
              (std::vector<std::string>{"x\ny.wav", "z.wav"}));
    EXPECT_TRUE(SplitInputList("", false).empty());
    // A list without end is refused at its limit, not held.
    std::vector<std::string> paths;
    EXPECT_NE(ReadInputList("/dev/zero", true, &paths, {1 << 20, PATH_MAX}), "");
    EXPECT_TRUE(paths.empty());
}

TEST(AnalyzeOptions, BatchOptionsAndTheirRules) {
    auto r = ParseOptions({"--jobs", "3", "--output-dir=out", "--skip-existing", "--files-from",
                           "-", "--null", "--files-from", "more", "a.wav"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.jobs, 3u);
    EXPECT_EQ(r.options.outputDir, "out");
    EXPECT_TRUE(r.options.skipExisting);
    EXPECT_TRUE(r.options.nullSeparated);
    EXPECT_EQ(r.options.fileLists, (std::vector<std::string>{"-", "more"}));
    EXPECT_EQ(ParseOptions({"--files-from", "list"}).error, "");  // a list alone is input
    EXPECT_EQ(ParseOptions({"a.wav"}).options.jobs, 0u);          // one per processor

    EXPECT_NE(ParseOptions({"--jobs", "0", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--jobs", "1025", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--jobs", "two", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--skip-existing", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--null", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--output-dir", "", "a.wav"}).error, "");
    EXPECT_NE(ParseOptions({"--output-dir"}).error, "");
    EXPECT_NE(
        ParseOptions({"--output-dir", "o", "--tone", "10", "--amplitude", "1", "--blocks", "1"})
            .error,
        "");
    EXPECT_NE(
        ParseOptions({"--files-from", "l", "--tone", "10", "--amplitude", "1", "--blocks", "1"})
            .error,
        "");
}

TEST(AutoResetEventQueued, SignalsGivenWhilePendingWaitInLineInsteadOfMerging) {
    platform::AutoResetEvent event("test");
    event.SetQueued();
    event.SetQueued();
    event.SetQueued();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(event.IsSignalled()) << "signal " << i << " was merged away";
        EXPECT_EQ(event.Wait(), platform::WaitResult::Signalled);
    }
    EXPECT_FALSE(event.IsSignalled());
    // A plain Set still merges, and Clear drops the line.
    event.SetQueued();
    event.SetQueued();
    event.Clear();
    EXPECT_FALSE(event.IsSignalled());
}

}  // namespace
