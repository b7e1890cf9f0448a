// The cycle that analyses a recording whole (review, plugin hosts) against the file source's
// real cycle as kavrin-analyze --decode runs it: the same rows to the bit, at every length around
// the lead-in and block boundaries, and whatever pieces the samples arrive in.
#include "analysis/file_cycle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/sound_file_support.h"
#include "platform/audio_files/audio_decoder.h"
#include "tools/analysis_runner.h"

namespace {

using namespace kavrin_analyze;
using namespace sound_file_test;

std::vector<std::string> ToolRows(const std::string& path) {
    RunSettings settings;
    settings.bins = true;
    settings.decode = true;
    settings.volume = 30;
    settings.thresholdAdjust = 60;
    std::vector<std::string> rows;
    const std::string error = AnalyzeFile(
        path, settings,
        [&](const EvaluationRow& row) { rows.push_back(FormatRow("f", row, true)); }, nullptr);
    EXPECT_EQ(error, "");
    return rows;
}

std::vector<std::string> CycleRows(const std::string& path, std::size_t piece) {
    std::vector<std::string> rows;
    const CFileCycle::RowFn take = [&](const EvaluationRow& row) {
        rows.push_back(FormatRow("f", row, true));
    };
    platform::CAudioDecoder decoder;
    decoder.Open(path);
    CFileCycle cycle(30, 60);
    std::vector<std::int16_t> buffer(piece);
    while (const std::size_t got = decoder.Read(buffer.data(), buffer.size()))
        cycle.Put(buffer.data(), got, take);
    cycle.Finish(take);
    return rows;
}

struct Case {
    const char* name;
    int rate;
    int channels;
    int format;
    std::size_t frames;
    std::size_t cutBytes = 0;  // taken off the end of the written file
};

class FileCycleTest : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() { InstallHeadlessPlatform(); }
    ScratchFolder m_folder;
};

TEST_P(FileCycleTest, RowsEqualTheFileSourceCycle) {
    const Case& c = GetParam();
    const std::string path = m_folder.File(std::string(c.name) + ".snd");
    WriteSoundFile(path, c.format, c.rate, c.channels,
                   TestSamples(c.frames * static_cast<std::size_t>(c.channels)));
    if (c.cutBytes > 0)
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - c.cutBytes);
    const std::vector<std::string> expected = ToolRows(path);
    ASSERT_FALSE(expected.empty());
    for (const std::size_t piece : {std::size_t{1} << 14, std::size_t{4096}, std::size_t{777}})
        EXPECT_EQ(CycleRows(path, piece), expected) << c.name << ", pieces of " << piece;
}

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kFlac16 = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;

INSTANTIATE_TEST_SUITE_P(
    Lengths, FileCycleTest,
    ::testing::Values(Case{"empty", 11025, 1, kWav16, 0}, Case{"tiny", 11025, 1, kWav16, 100},
                      Case{"lead_in", 11025, 1, kWav16, 8192},
                      Case{"lead_in_and_one", 11025, 1, kWav16, 8193},
                      Case{"two_blocks", 11025, 1, kWav16, 8192 + 2 * 4096},
                      Case{"two_blocks_and_one", 11025, 1, kWav16, 8192 + 2 * 4096 + 1},
                      Case{"long", 11025, 1, kWav16, 4096 * 40 + 1234},
                      Case{"flac_44k_stereo", 44100, 2, kFlac16, 44100 * 6 + 17},
                      // A whole number of the resampler's chunks: its last read finds nothing.
                      Case{"whole_chunks_48k_stereo", 48000, 2, kWav16, 98304},
                      // The header announces more than the damaged stream holds: the stream
                      // is decoded as it plays, so its end is found only when it is read.
                      Case{"flac_cut_short", 44100, 2, kFlac16, 44100 * 6 + 17, 30000}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
