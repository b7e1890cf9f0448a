// The timeline's rows: the ring between a pump and the user-interface thread (the test tone at
// full speed against a draining tick), the sessions each start begins, the log's segments and
// marks, its bound, and its CSV with kavrin-analyze's columns and a mark column.
#include "analysis/evaluation_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/evaluation_csv.h"
#include "sources/live_analyzer.h"
#include "tests/sources/source_test_support.h"
#include "tests/support/deadline.h"

namespace {

using namespace std::chrono_literals;

// A row whose every field follows from its block number, so that a row mixed from two writes
// shows.
EvaluationRow Patterned(std::uint32_t block) {
    EvaluationRow row;
    row.block = block;
    row.session = 1;
    row.timeSeconds = block * 0.5;
    row.instFreq = block % 41;
    row.avgFreq = block + 0.25;
    row.minFreq = block + 1.0;
    row.maxFreq = block + 2.0;
    row.magnitude = block + 3.0;
    row.avgMagnitude = block + 4.0;
    row.threshold = block + 5;
    row.underThreshold = static_cast<std::int32_t>(block & 1);
    return row;
}

bool Consistent(const EvaluationRow& row) {
    const EvaluationRow expected = Patterned(row.block);
    return row.timeSeconds == expected.timeSeconds && row.instFreq == expected.instFreq &&
           row.avgFreq == expected.avgFreq && row.minFreq == expected.minFreq &&
           row.maxFreq == expected.maxFreq && row.magnitude == expected.magnitude &&
           row.avgMagnitude == expected.avgMagnitude && row.threshold == expected.threshold &&
           row.underThreshold == expected.underThreshold;
}

TEST(EvaluationRing, KeepsOrderAndCountsWhatAFullRingLoses) {
    auto ring = std::make_unique<CEvaluationRing>();
    const std::size_t extra = 5;
    for (std::uint32_t b = 1; b <= CEvaluationRing::kCapacity + extra; ++b)
        ring->Push(Patterned(b));
    EXPECT_EQ(ring->Lost(), extra);
    std::vector<std::uint32_t> blocks;
    EXPECT_EQ(ring->Drain([&](const EvaluationRow& row) {
        EXPECT_TRUE(Consistent(row));
        blocks.push_back(row.block);
    }),
              CEvaluationRing::kCapacity);
    ASSERT_EQ(blocks.size(), CEvaluationRing::kCapacity);
    for (std::size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(blocks[i], i + 1);
    // Room again once drained, across the wrap of the indices.
    for (std::uint32_t b = 1; b <= 10; ++b) EXPECT_TRUE(ring->Push(Patterned(b)));
    EXPECT_EQ(ring->Drain([](const EvaluationRow&) {}), 10u);
    EXPECT_EQ(ring->Lost(), extra);
}

TEST(EvaluationRing, AProducerAtFullSpeedNeverTearsARow) {
    auto ring = std::make_unique<CEvaluationRing>();
    constexpr std::uint32_t kRows = 2'000'000;
    std::atomic<bool> produced{false};
    std::thread producer([&] {
        for (std::uint32_t b = 1; b <= kRows; ++b) ring->Push(Patterned(b));
        produced = true;
    });
    std::uint64_t drained = 0;
    std::uint32_t lastBlock = 0;
    bool torn = false;
    bool backwards = false;
    const auto take = [&](const EvaluationRow& row) {
        torn = torn || !Consistent(row);
        backwards = backwards || row.block <= lastBlock;
        lastBlock = row.block;
        ++drained;
    };
    // The tick comes late: nothing is drained until the ring has overflowed. Then drain until
    // the producer is through; a full ring drops the newest rows, so the last one pushed may
    // never be seen.
    const auto deadline = std::chrono::steady_clock::now() + test_deadline::kLimit;
    while (ring->Lost() == 0) {
        if (std::chrono::steady_clock::now() > deadline)
            test_deadline::FailAndExit("the ring did not overflow within 10 s");
        std::this_thread::yield();
    }
    while (!produced) {
        if (std::chrono::steady_clock::now() > deadline)
            test_deadline::FailAndExit("the producer did not end within 10 s");
        ring->Drain(take);
    }
    test_deadline::JoinWithin(producer, "the producer");
    ring->Drain(take);
    EXPECT_FALSE(torn);
    EXPECT_FALSE(backwards);
    EXPECT_EQ(drained + ring->Lost(), kRows);
}

class EvaluationSessionTest : public sources_test::SourceTest {};

TEST_F(EvaluationSessionTest, TheToneAtFullSpeedAgainstATickDrainingItsRing) {
    auto tone = std::make_unique<CLiveAnalyzer>();
    tone->m_toneFrequency = 10.0;
    tone->m_toneAmplitude = 1000;
    tone->StartTone();
    auto log = std::make_unique<CEvaluationLog>();
    std::uint32_t lastBlock = 0;
    const auto tick = [&] { log->Drain(*tone, 0, nullptr); };
    // Ticks at the display's pace, then a tick that comes late (the user-interface thread busy)
    // until the ring overflows, then ticks at pace again.
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(200ms);
        tick();
    }
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (tone->m_evaluations.Lost() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    for (int i = 0; i < 5; ++i) {
        tick();
        std::this_thread::sleep_for(200ms);
    }
    tone->m_toneMode = 0;
    tone->SignalStop();
    test_deadline::JoinWithin(tone->m_thread, "the tone's pump");
    log->Drain(*tone, 0, nullptr);
    ASSERT_FALSE(log->Empty());
    EXPECT_GT(log->LostRows(), 0u) << "the tone never outran the tick";
    for (const EvaluationRow& row : log->Rows()) {
        EXPECT_EQ(row.source, EvaluationSource::Tone);
        // The tone's time is that of kavrin-analyze: (block + 1) blocks.
        ASSERT_EQ(row.timeSeconds, static_cast<double>((row.block + 1ull) * 4096) / 11025.0);
        ASSERT_GT(row.block, lastBlock);
        lastBlock = row.block;
        // A steady 10 Hz tone once the history is full: index 20 every time.
        if (row.block > 4) {
            ASSERT_EQ(row.instFreq, 20.0) << row.block;
        }
    }
    // Every evaluation either arrived or was counted as lost.
    EXPECT_EQ(log->Rows().size() + log->LostRows(), lastBlock);
    EXPECT_EQ(log->Segments().size(), 1u);
}

struct BareAnalyzer : CTremorAnalyzer {};

TEST(EvaluationLog, EachStartBeginsASegmentAndBlocksCountFromOne) {
    auto analyzer = std::make_unique<BareAnalyzer>();
    auto log = std::make_unique<CEvaluationLog>();
    analyzer->Evaluate();  // before any start: no timeline row
    EXPECT_EQ(log->Drain(*analyzer, 0, nullptr), 0u);

    // Each row takes the time its source stamped before the evaluation.
    analyzer->BeginEvaluationSession(EvaluationSource::File, "/tmp/a.wav");
    for (double end : {24576.0, 32768.0, 32868.0, 32868.0}) {
        analyzer->StampBlockEnd(end / 22050.0);
        analyzer->Evaluate();
    }
    analyzer->BeginEvaluationSession(EvaluationSource::Line);
    for (int i = 1; i <= 2; ++i) {
        analyzer->StampBlockEnd(i * 4096.0 / 11025.0);
        analyzer->Evaluate();
    }
    EXPECT_EQ(log->Drain(*analyzer, 0, nullptr), 6u);

    ASSERT_EQ(log->Segments().size(), 2u);
    EXPECT_EQ(log->Segments()[0].source, EvaluationSource::File);
    EXPECT_EQ(log->Segments()[1].source, EvaluationSource::Line);
    EXPECT_EQ(log->Segments()[1].firstRow, 4u);
    const auto& rows = log->Rows();
    EXPECT_EQ(rows[0].timeSeconds, (16384.0 + 8192.0) / 22050.0);
    EXPECT_EQ(rows[1].timeSeconds, (16384.0 + 2 * 8192.0) / 22050.0);
    EXPECT_EQ(rows[2].timeSeconds, (16384.0 + 2 * 8192.0 + 100) / 22050.0);
    EXPECT_EQ(rows[3].timeSeconds, rows[2].timeSeconds);
    EXPECT_EQ(rows[4].block, 1u);
    EXPECT_EQ(rows[4].timeSeconds, 4096.0 / 11025.0);
    // The segments follow each other on the timeline.
    EXPECT_EQ(rows[4].timelineSeconds, rows[3].timelineSeconds + rows[4].timeSeconds);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_GE(rows[i].timelineSeconds, rows[i - 1].timelineSeconds);
    EXPECT_EQ(log->SegmentOf(3), 0u);
    EXPECT_EQ(log->SegmentOf(4), 1u);
}

TEST(EvaluationLog, RowsCarryTheSignalQualityOfTheirBlockOnceEnabled) {
    auto analyzer = std::make_unique<BareAnalyzer>();
    auto log = std::make_unique<CEvaluationLog>();
    std::vector<std::int16_t> half(CTremorAnalyzer::kBlockSize, 16384);
    analyzer->BeginEvaluationSession(EvaluationSource::Line);
    for (int i = 0; i < 2; ++i, analyzer->EnableSignalQuality()) {
        analyzer->ShiftHistory(half.data());
        analyzer->Evaluate();
    }
    ASSERT_EQ(log->Drain(*analyzer, 0, nullptr), 2u);
    EXPECT_TRUE(std::isnan(log->Rows()[0].quality.voicedShare));
    EXPECT_DOUBLE_EQ(log->Rows()[1].quality.levelDbfs, 20 * std::log10(0.5));
}

TEST(EvaluationLog, MarksAndSegmentsInTheCsv) {
    auto log = std::make_unique<CEvaluationLog>();
    EXPECT_FALSE(log->AddMark()) << "nothing to mark yet";
    EvaluationRow row = Patterned(1);
    row.source = EvaluationSource::File;
    log->Append(1, row, "/data/with,comma.wav");
    log->AddMark();
    log->Append(1, Patterned(2), "/data/with,comma.wav");
    log->AddMark("question \"two\"");
    log->AddMark();
    EvaluationRow tone = Patterned(1);
    tone.session = 7;
    tone.source = EvaluationSource::Tone;
    log->Append(0, tone);

    std::ostringstream csv;
    log->WriteCsv(csv);
    const auto line = [](const std::string& file, const EvaluationRow& r, const std::string& mark) {
        EvaluationRow e;
        e.block = r.block;
        e.timeSeconds = r.timeSeconds;
        e.instFreq = r.instFreq;
        e.avgFreq = r.avgFreq;
        e.minFreq = r.minFreq;
        e.maxFreq = r.maxFreq;
        e.threshold = r.threshold;
        e.magnitude = r.magnitude;
        e.avgMagnitude = r.avgMagnitude;
        e.underThreshold = r.underThreshold;
        std::string text = kavrin_analyze::FormatRow(file, e, false);
        text.pop_back();
        return text + "," + mark + "\n";
    };
    std::string header = kavrin_analyze::CsvHeader(false);
    header.insert(header.size() - 1, ",mark");
    const std::string expected =
        header + line("/data/with,comma.wav", Patterned(1), "1") +
        line("/data/with,comma.wav", Patterned(2), "\"question \"\"two\"\"; 2\"") +
        line("", tone, "");
    EXPECT_EQ(csv.str(), expected);
    EXPECT_EQ(log->Segments().size(), 2u);

    // A mark made for an earlier row goes before the later rows' marks in the export.
    EXPECT_TRUE(log->AddMarkAt(0, "late"));
    EXPECT_FALSE(log->AddMarkAt(99, "beyond"));
    ASSERT_EQ(log->Marks().size(), 4u);
    EXPECT_EQ(log->Marks()[1].label, "late");
    EXPECT_EQ(log->Marks()[1].row, 0u);

    log->Clear();
    EXPECT_TRUE(log->Empty());
    EXPECT_TRUE(log->Segments().empty());
    log->Append(0, Patterned(3));
    log->AddMark();
    EXPECT_EQ(log->Marks().back().label, "1") << "numbering starts again after Clear";
}

TEST(EvaluationLog, HoldsADayOfRealTimeBlocksAndCountsRowsBeyondItsBound) {
    // 24 hours of blocks of 4096 samples at 11025 per second.
    const std::size_t day = static_cast<std::size_t>(std::ceil(24.0 * 3600.0 * 11025.0 / 4096.0));
    ASSERT_GE(CEvaluationLog::kMaxRows, day);
    auto log = std::make_unique<CEvaluationLog>();
    for (std::size_t i = 0; i < CEvaluationLog::kMaxRows + 3; ++i)
        log->Append(0, Patterned(static_cast<std::uint32_t>(i + 1)));
    EXPECT_EQ(log->Rows().size(), CEvaluationLog::kMaxRows);
    EXPECT_EQ(log->LostRows(), 3u);
    EXPECT_EQ(log->LostRowsNote().find("3 evaluations lost"), 0u) << "said beside an export";
    const auto [first, last] = log->RowsBetween(10.0, 20.0);
    EXPECT_EQ(log->Rows()[first].timeSeconds, 10.0);
    EXPECT_EQ(log->Rows()[last - 1].timeSeconds, 20.0);
    log->Clear();
    EXPECT_EQ(log->LostRows(), 0u);
    EXPECT_EQ(log->LostRowsNote(), "");
}

}  // namespace
