// Decoded files and replays as live: the decoded stream takes the place of the file's bytes,
// so every WAV header gives the raw run of its samples; the replay is the capture path's
// analysis of whole blocks from the first sample.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "../support/sound_file_support.h"
#include "analysis/tremor_analyzer.h"
#include "tools/analysis_runner.h"

namespace {

using namespace kavrin_analyze;
using namespace sound_file_test;

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

struct Reference : CTremorAnalyzer {};

class DecodeRunnerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallHeadlessPlatform(); }
    ScratchFolder m_folder;
};

std::vector<std::string> Rows(const std::string& path, const RunSettings& settings,
                              std::string* error = nullptr) {
    std::vector<std::string> rows;
    const std::string result = AnalyzeFile(
        path, settings,
        [&](const EvaluationRow& row) { rows.push_back(FormatRow("f", row, true)); }, nullptr);
    if (error)
        *error = result;
    else
        EXPECT_EQ(result, "");
    return rows;
}

RunSettings Decoding(bool live = false) {
    RunSettings settings;
    settings.bins = true;
    settings.decode = true;
    settings.live = live;
    return settings;
}

TEST_F(DecodeRunnerTest, DecodedWavEqualsTheRawRunOfItsSamplesWithoutTheHeader) {
    // Not a whole number of blocks, so the short last read is covered too.
    const std::vector<std::int16_t> samples = TestSamples(4096 * 14 + 1000);
    WriteRaw(m_folder.File("samples.raw"), samples);
    RunSettings raw;
    raw.bins = true;
    const std::vector<std::string> expected = Rows(m_folder.File("samples.raw"), raw);
    ASSERT_GT(expected.size(), 8u);

    WriteSoundFile(m_folder.File("plain.wav"), kWav16, 11025, 1, samples);
    WriteSoundFile(m_folder.File("extensible.wav"), SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 11025, 1,
                   samples);
    WriteSoundFile(m_folder.File("list.wav"), kWav16, 11025, 1, samples, "with a LIST chunk");
    WriteSoundFile(m_folder.File("same.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 11025, 1,
                   samples);
    for (const char* name : {"plain.wav", "extensible.wav", "list.wav", "same.flac"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Rows(m_folder.File(name), Decoding()), expected);
    }
    // Without decoding, the header is analysed as samples, as it always was.
    EXPECT_NE(Rows(m_folder.File("plain.wav"), raw), expected);
}

TEST_F(DecodeRunnerTest, A44100HzStereoTenHertzToneGivesBandIndex20) {
    std::vector<std::int16_t> frames;
    for (int i = 0; i < 44100 * 8; ++i) {
        const double t = i / 44100.0;
        // The right channel at half the level: the average still carries the tone.
        const auto v =
            static_cast<std::int16_t>(std::lround(12000.0 * std::sin(2 * M_PI * 10.0 * t)));
        frames.push_back(v);
        frames.push_back(static_cast<std::int16_t>(v / 2));
    }
    WriteSoundFile(m_folder.File("tone44.wav"), kWav16, 44100, 2, frames);
    RunSettings settings = Decoding();
    std::vector<EvaluationRow> rows;
    ASSERT_EQ(AnalyzeFile(
                  m_folder.File("tone44.wav"), settings,
                  [&](const EvaluationRow& row) { rows.push_back(row); }, nullptr),
              "");
    // 8 s at 11025 Hz: 176400 bytes; cycle k has read 24576 + 8192 k of them, the end at k = 19.
    ASSERT_EQ(rows.size(), 19u);
    // Once the history holds only the tone (from the fourth cycle) up to the end-of-file cycle.
    for (std::size_t i = 3; i + 1 < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(rows[i].instFreq, 20.0);
    }
    // Raw, the same file is noise to the analysis.
    RunSettings raw;
    rows.clear();
    AnalyzeFile(
        m_folder.File("tone44.wav"), raw, [&](const EvaluationRow& row) { rows.push_back(row); },
        nullptr);
    int twenty = 0;
    for (const EvaluationRow& row : rows) twenty += row.instFreq == 20.0;
    EXPECT_LT(twenty, static_cast<int>(rows.size()) - 4);
}

TEST_F(DecodeRunnerTest, ReplayAsLiveIsTheCapturePathOverWholeBlocksFromTheFirstSample) {
    const std::size_t blocks = 9;
    const std::vector<std::int16_t> samples = TestSamples(4096 * blocks + 4095, 5);
    WriteSoundFile(m_folder.File("take.wav"), kWav16, 11025, 1, samples);
    for (int volume : {10, 60, -100}) {
        SCOPED_TRACE("volume " + std::to_string(volume));
        RunSettings settings = Decoding(true);
        settings.volume = volume;
        const std::vector<std::string> rows = Rows(m_folder.File("take.wav"), settings);

        // The core fed as capture feeds it: offset 512, gain 3 x factor, one block at a time.
        auto reference = std::make_unique<Reference>();
        reference->ResetStatistics();
        reference->m_underThreshold = 1;
        reference->m_thresholdPercent = 75;
        std::vector<std::string> expected;
        for (std::size_t k = 0; k < blocks; ++k) {
            reference->ShiftHistory(samples.data() + k * 4096);
            reference->ApplyWindow(3.0 * (volume / 25 + 1), 512);
            reference->StampBlockEnd((k + 1) * 4096 / 11025.0);
            reference->Evaluate();
            EvaluationRow row = reference->LastEvaluation();
            for (int j = 0; j < CTremorAnalyzer::kBandBinCount; ++j)
                row.bins[j] = reference->BinMagnitude(95 + 6 * j);
            expected.push_back(FormatRow("f", row, true));
        }
        EXPECT_EQ(rows, expected);
    }
    // Less than one block: nothing is analysed.
    WriteSoundFile(m_folder.File("short.wav"), kWav16, 11025, 1, TestSamples(4095));
    EXPECT_TRUE(Rows(m_folder.File("short.wav"), Decoding(true)).empty());
}

TEST_F(DecodeRunnerTest, AFileThatCannotBeDecodedIsReportedAndTheNextRunsNormally) {
    std::ofstream(m_folder.File("text.wav")) << "not a sound file at all, just some words\n";
    for (bool live : {false, true}) {
        SCOPED_TRACE(live ? "live" : "file");
        std::string error;
        EXPECT_TRUE(Rows(m_folder.File("text.wav"), Decoding(live), &error).empty());
        EXPECT_EQ(error.rfind("Cannot decode " + m_folder.File("text.wav") + ": ", 0), 0u) << error;
        WriteSoundFile(m_folder.File("good.wav"), kWav16, 11025, 1, TestSamples(4096 * 6));
        EXPECT_FALSE(Rows(m_folder.File("good.wav"), Decoding(live)).empty());
    }
}

}  // namespace
