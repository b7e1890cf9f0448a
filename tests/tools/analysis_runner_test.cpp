// kavrin-analyze must give exactly the numbers of the window's analysis. The reference here
// feeds the core directly, following the file source's stream layout byte by byte: bytes
// 0..16383 are never analysed, cycle k analyses the 8192 bytes read one cycle before, a short
// read keeps the old tail, and the cycle that reaches the end evaluates a cleared history.
#include "tools/analysis_runner.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/tremor_analyzer.h"

namespace {

using namespace kavrin_analyze;

struct Reference : CTremorAnalyzer {};

class AnalysisRunnerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallHeadlessPlatform(); }

    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("kavrin-runner-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = (m_dir / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }

    std::filesystem::path m_dir;
};

std::vector<std::uint8_t> SpeechLikeBytes(std::size_t length, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 800.0);
    std::vector<std::uint8_t> bytes(length);
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        const double n = static_cast<double>(i / 2);
        // A voice-like carrier whose loudness trembles at about 10 Hz, plus noise.
        const double tremble = 1.0 + 0.3 * std::sin(n * 2 * M_PI * 10.3 / 11025.0);
        const double v =
            tremble * 6000.0 * std::sin(n * 2 * M_PI * 180.0 / 11025.0) + noise(random);
        const auto s = static_cast<std::int16_t>(std::max(-32768.0, std::min(32767.0, v)));
        bytes[i] = static_cast<std::uint8_t>(s & 0xFF);
        bytes[i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
    }
    if (length % 2) bytes.back() = 0x5A;
    return bytes;
}

// Evaluates with the time stamped as a source would, and takes the row.
EvaluationRow EvaluateAt(CTremorAnalyzer& analyzer, double time) {
    analyzer.StampBlockEnd(time);
    analyzer.Evaluate();
    return analyzer.LastEvaluation();
}

// The row with the nine bins asked one by one of the analyzer's own BinMagnitude.
EvaluationRow WithOwnBins(CTremorAnalyzer& analyzer, EvaluationRow row) {
    for (int j = 0; j < CTremorAnalyzer::kBandBinCount; ++j)
        row.bins[j] = analyzer.BinMagnitude(95 + 6 * j);
    return row;
}

std::vector<EvaluationRow> ReferenceFileRows(const std::vector<std::uint8_t>& bytes, int volume,
                                             int thresholdAdjust, bool bins) {
    const std::uint64_t length = bytes.size();
    std::uint64_t position = 0;
    std::int16_t readBuffer[CTremorAnalyzer::kBlockSize] = {};
    auto read = [&](std::uint64_t count) {
        const std::uint64_t n = std::min<std::uint64_t>(count, length - std::min(position, length));
        if (count == 8192 && n > 0) std::memcpy(readBuffer, bytes.data() + position, n);
        position += n;
    };
    read(16384);  // the first buffer played; never analysed
    read(8192);
    auto analyzer = std::make_unique<Reference>();
    analyzer->m_thresholdPercent = thresholdAdjust;
    const double gain = 3.0 * (volume / 25 + 1);
    std::vector<EvaluationRow> rows;
    for (std::uint64_t cycle = 1;; ++cycle) {
        analyzer->ShiftHistory(readBuffer);
        read(8192);
        const bool end = position >= length;
        if (end) analyzer->Reset();
        analyzer->ApplyWindow(gain, 0);
        const double time =
            static_cast<double>(std::min<std::uint64_t>(16384 + 8192 * cycle, length)) / 22050.0;
        const EvaluationRow row = EvaluateAt(*analyzer, time);
        rows.push_back(bins ? WithOwnBins(*analyzer, row) : row);
        if (end) return rows;
    }
}

void ExpectSameRows(const std::vector<EvaluationRow>& actual,
                    const std::vector<EvaluationRow>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(FormatRow("f", actual[i], true), FormatRow("f", expected[i], true));
    }
}

TEST_F(AnalysisRunnerTest, FileRowsEqualTheCoreFedByTheStreamLayout) {
    for (int volume : {10, 60, -100, -30}) {
        const auto bytes = SpeechLikeBytes(24576 + 8192 * 9 + 1234, 11);
        const auto path = WriteFile("speech.wav", bytes);
        std::vector<EvaluationRow> rows;
        const std::string error = AnalyzeFile(
            path, RunSettings{volume, 75, true},
            [&](const EvaluationRow& row) { rows.push_back(row); }, nullptr);
        EXPECT_EQ(error, "");
        SCOPED_TRACE("volume " + std::to_string(volume));
        ExpectSameRows(rows, ReferenceFileRows(bytes, volume, 75, true));
    }
}

TEST_F(AnalysisRunnerTest, CycleCountsAndTheClearedLastEvaluation) {
    struct Case {
        std::size_t length;
        std::size_t cycles;
    };
    for (const Case c : {Case{0, 1}, Case{100, 1}, Case{24576, 1}, Case{32768, 1}, Case{32769, 2},
                         Case{24576 + 8192 * 3, 3}, Case{24576 + 8192 * 3 + 1, 4}}) {
        SCOPED_TRACE("length " + std::to_string(c.length));
        const auto bytes = SpeechLikeBytes(c.length, 3);
        const auto path = WriteFile("f.wav", bytes);
        std::vector<EvaluationRow> rows;
        EXPECT_EQ(AnalyzeFile(
                      path, RunSettings{10, 75, true},
                      [&](const EvaluationRow& row) { rows.push_back(row); }, nullptr),
                  "");
        ASSERT_EQ(rows.size(), c.cycles);
        // The end-of-file cycle evaluates the cleared history: no energy, all nine bins zero.
        EXPECT_EQ(rows.back().instFreq, 65535.0);
        for (double bin : rows.back().bins) EXPECT_EQ(bin, 0.0);
        ExpectSameRows(rows, ReferenceFileRows(bytes, 10, 75, true));
    }
}

TEST_F(AnalysisRunnerTest, AMissingFileIsAnErrorAndTheNextFileStillRuns) {
    std::vector<EvaluationRow> rows;
    const std::string error =
        AnalyzeFile((m_dir / "missing.wav").string(), RunSettings{},
                    [&](const EvaluationRow& row) { rows.push_back(row); }, nullptr);
    EXPECT_NE(error, "");
    EXPECT_NE(error.find("missing.wav"), std::string::npos);
    EXPECT_TRUE(rows.empty());
    const auto path = WriteFile("ok.wav", SpeechLikeBytes(40000, 5));
    EXPECT_EQ(
        AnalyzeFile(
            path, RunSettings{}, [&](const EvaluationRow& row) { rows.push_back(row); }, nullptr),
        "");
    EXPECT_EQ(rows.size(), 2u);
}

TEST_F(AnalysisRunnerTest, TheAnalysisRunsAtNormalPriority) {
    // Where real-time priority would be granted (as root), the pump still keeps normal.
    const auto path = WriteFile("p.wav", SpeechLikeBytes(40000, 6));
    int policy = -1;
    EXPECT_EQ(AnalyzeFile(
                  path, RunSettings{},
                  [&](const EvaluationRow&) { policy = ::sched_getscheduler(0); }, nullptr),
              "");
    EXPECT_EQ(policy, SCHED_OTHER);
}

std::vector<std::int16_t> ToneSamples(double frequency, double amplitude, int blocks) {
    const int n = CTremorAnalyzer::kBlockSize;
    const double omega = 4 * std::atan(1.0) * frequency * 2 / 11025.0;
    const double k = 2 * std::cos(omega);
    double before = -(std::sin(omega) * amplitude);
    double last = 0.0;
    std::vector<std::int16_t> out;
    for (int b = 0; b < blocks + 1; ++b) {
        for (int i = 0; i < n; ++i) {
            const double d = k * last - before;
            before = last;
            last = d;
            if (b > 0) out.push_back(static_cast<std::int16_t>(static_cast<std::int32_t>(d)));
        }
    }
    return out;
}

TEST_F(AnalysisRunnerTest, ToneRowsEqualTheCoreFedTheSameSine) {
    struct Case {
        double hz;
        double index;
    };
    for (const Case c : {Case{8, 4}, Case{9, 10}, Case{10, 20}, Case{11.5, 34}, Case{12, 36}}) {
        SCOPED_TRACE("tone " + std::to_string(c.hz));
        std::vector<EvaluationRow> rows;
        EXPECT_EQ(AnalyzeTone(ToneOptions{c.hz, 1000, 6}, RunSettings{10, 75, true},
                              [&](const EvaluationRow& row) { rows.push_back(row); }),
                  "");
        ASSERT_EQ(rows.size(), 6u);
        // From the fourth block on the history holds the steady tone.
        EXPECT_EQ(rows[3].instFreq, c.index);
        EXPECT_EQ(rows[5].instFreq, c.index);

        const auto samples = ToneSamples(c.hz, 1000, 6);
        auto reference = std::make_unique<Reference>();
        reference->m_thresholdPercent = 75;
        std::vector<EvaluationRow> expected;
        for (int b = 0; b < 6; ++b) {
            reference->ShiftHistory(samples.data() + b * CTremorAnalyzer::kBlockSize);
            reference->ApplyWindow(1.0, 0);
            expected.push_back(
                WithOwnBins(*reference, EvaluateAt(*reference, (b + 2) * 4096 / 11025.0)));
        }
        ExpectSameRows(rows, expected);
    }
}

TEST_F(AnalysisRunnerTest, ToneOfZeroHertzIsSilence) {
    std::vector<EvaluationRow> rows;
    AnalyzeTone(ToneOptions{0, 32000, 2}, RunSettings{},
                [&](const EvaluationRow& row) { rows.push_back(row); });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].instFreq, 65535.0);
}

}  // namespace
