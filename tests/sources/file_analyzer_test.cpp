#include "sources/file_analyzer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../support/deadline.h"
#include "source_test_support.h"

namespace {

using namespace sources_test;

constexpr int kN = CTremorAnalyzer::kBlockSize;
constexpr int kH = CTremorAnalyzer::kHistorySize;

// A file analyzer that records each cycle: the history it analysed, what the read left in the
// read-ahead block, and the results.
class ObservedFileAnalyzer : public CFileAnalyzer {
public:
    struct Cycle {
        std::vector<std::int16_t> history;
        std::vector<std::int16_t> readBuffer;  // after FetchBlock
        double instFreq = 0;
        double avgFreq = 0;
        double magnitude = 0;
        std::uint32_t threshold = 0;
        double windowGain = 0;
        bool stopped = false;  // m_stop after Analyze: the pump ends after this cycle
        std::string path;      // the file of the run
    };

    // Called at the start of every FetchBlock with its number (1, 2, ...), on the pump.
    std::function<void(ObservedFileAnalyzer&, int)> beforeFetch;

    ~ObservedFileAnalyzer() override { EndRun(); }

    int FetchBlock() override {
        Enter();
        const int index = ++m_fetches;
        if (beforeFetch) beforeFetch(*this, index);
        const int result = CFileAnalyzer::FetchBlock();
        {
            std::lock_guard<std::mutex> guard(m_dataLock);
            m_readAfterFetch.assign(m_readBuffer, m_readBuffer + kN);
        }
        Leave();
        return result;
    }

    int Analyze(void* block) override {
        Enter();
        const int result = CFileAnalyzer::Analyze(block);
        Leave();
        Cycle cycle;
        static thread_local std::int16_t history[kH];
        CopyHistory(history);
        cycle.history.assign(history, history + kH);
        cycle.readBuffer = m_readAfterFetch;
        cycle.instFreq = m_instFreq;
        cycle.avgFreq = m_avgFreq;
        cycle.magnitude = m_magnitude;
        cycle.threshold = m_threshold;
        cycle.windowGain = m_windowGain;
        cycle.stopped = m_stop != 0;
        cycle.path = m_file.GetFilePath();
        std::lock_guard<std::mutex> guard(m_lock);
        m_cycles.push_back(std::move(cycle));
        m_changed.notify_all();
        return result;
    }

    std::vector<Cycle> Cycles() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_cycles;
    }
    // Waits for the cycle after which the pump ends, then for the pump itself.
    bool WaitForEnd(std::chrono::milliseconds timeout = 30s) {
        {
            std::unique_lock<std::mutex> guard(m_lock);
            if (!m_changed.wait_for(guard, timeout,
                                    [&] { return !m_cycles.empty() && m_cycles.back().stopped; }))
                return false;
        }
        test_deadline::JoinWithin(m_thread, "the file pump");
        return true;
    }

    // Waits until the run of that file has ended by itself.
    bool WaitForEndOf(const std::string& path, std::chrono::milliseconds timeout = 30s) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] {
            return std::any_of(m_cycles.begin(), m_cycles.end(), [&](const Cycle& cycle) {
                return cycle.path == path && cycle.stopped;
            });
        });
    }
    bool Overlapped() const { return m_overlapped; }

private:
    void Enter() {
        if (++m_inFlight > 1) m_overlapped = true;
    }
    void Leave() { --m_inFlight; }

    std::atomic<int> m_inFlight{0};
    std::atomic<bool> m_overlapped{false};
    std::atomic<int> m_fetches{0};
    std::vector<std::int16_t> m_readAfterFetch;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Cycle> m_cycles;
};

// Samples whose values tell where in the file they came from (distinct for files < 128 KiB).
std::vector<std::int16_t> NumberedSamples(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(i * 3 + 1));
    return samples;
}

std::vector<std::int16_t> Slice(const std::vector<std::int16_t>& samples, std::size_t from,
                                std::size_t count) {
    std::vector<std::int16_t> out(count, 0);
    for (std::size_t i = 0; i < count && from + i < samples.size(); ++i) out[i] = samples[from + i];
    return out;
}

bool AllZero(const std::vector<std::int16_t>& v) {
    return std::all_of(v.begin(), v.end(), [](std::int16_t s) { return s == 0; });
}

class FileAnalyzerTest : public SourceTest {};

TEST_F(FileAnalyzerTest, ConstructionGivesTheInitialValues) {
    auto a = std::make_unique<CFileAnalyzer>();
    EXPECT_EQ(a->m_position, 0u);
    EXPECT_EQ(a->m_volume, 0);
    EXPECT_FALSE(a->m_file.IsOpen());
    EXPECT_EQ(a->m_underThreshold, 1);
    EXPECT_EQ(a->m_avgFreq, 20.0);
    EXPECT_EQ(a->m_blockSize, 4096);
    a.reset();
    // Its own ClosePlayback and the channel's: pauses only.
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 50", "sleep 50", "sleep 50", "sleep 50"}));
}

// The file's bytes 0..8191 are played first, 8192..16383 are never used, analysis begins with
// byte 16384; the cycle that reads the last bytes ends the run and evaluates a cleared history.
TEST_F(FileAnalyzerTest, StreamLayoutOfFilesOfExactly24576Plus8192TimesMBytes) {
    for (int m : {1, 2, 3, 5}) {
        SCOPED_TRACE(m);
        ClearTrace();
        card = std::make_shared<platform::SimulatedSoundCard>();
        platform::SetWaveAudioDriver(card);
        const std::size_t length = 24576 + 8192 * static_cast<std::size_t>(m);
        const std::vector<std::int16_t> samples = NumberedSamples(length / 2);
        TempFile file("layout.wav");
        file.WriteSamples(samples);
        ChooseFile(file.Path());

        auto a = std::make_unique<ObservedFileAnalyzer>();
        a->m_thresholdPercent = 60;
        a->OpenFile();
        ASSERT_TRUE(a->WaitForEnd());
        EXPECT_TRUE(Messages().empty());

        // Played: buffer 0 at the open, then the block of each cycle.
        const auto written = card->WrittenBuffers();
        ASSERT_EQ(written.size(), static_cast<std::size_t>(m + 1));
        EXPECT_EQ(written[0], Slice(samples, 0, kN));
        for (int k = 1; k <= m; ++k)
            EXPECT_EQ(written[k], Slice(samples, 8192 + 4096 * (k - 1), kN)) << "cycle " << k;
        std::vector<bool> skipped(65536, false);  // the values of bytes 8192..16383
        for (std::size_t i = 4096; i < 8192; ++i)
            skipped[static_cast<std::uint16_t>(samples[i])] = true;
        for (const auto& buffer : written)
            for (std::int16_t s : buffer) ASSERT_FALSE(skipped[static_cast<std::uint16_t>(s)]);

        // Analysed: the block played in the cycle; the last cycle sees a cleared history.
        const auto cycles = a->Cycles();
        ASSERT_EQ(cycles.size(), static_cast<std::size_t>(m));
        CTremorAnalyzer reference;
        reference.m_thresholdPercent = 60;
        std::vector<std::int16_t> history(kH, 0);
        for (int k = 1; k <= m; ++k) {
            SCOPED_TRACE(k);
            const auto& cycle = cycles[k - 1];
            EXPECT_EQ(cycle.windowGain, 3.0);
            if (k < m) {
                const std::vector<std::int16_t> block = Slice(samples, 8192 + 4096 * (k - 1), kN);
                history.erase(history.begin(), history.begin() + kN);
                history.insert(history.end(), block.begin(), block.end());
                EXPECT_EQ(cycle.history, history);
                EXPECT_FALSE(cycle.stopped);
                reference.ShiftHistory(block.data());
            } else {
                EXPECT_TRUE(AllZero(cycle.history));
                EXPECT_TRUE(cycle.stopped);
                reference.Reset();
            }
            reference.ApplyWindow(3.0, 0);
            reference.Evaluate();
            EXPECT_EQ(cycle.instFreq, reference.m_instFreq);
            EXPECT_EQ(cycle.avgFreq, reference.m_avgFreq);
            EXPECT_EQ(cycle.magnitude, reference.m_magnitude);
            EXPECT_EQ(cycle.threshold, reference.m_threshold);
        }
        EXPECT_EQ(cycles.back().instFreq, 65535.0);
        EXPECT_EQ(cycles.back().magnitude, 0.0);

        EXPECT_EQ(a->m_position, length);
        EXPECT_FALSE(a->m_file.IsOpen());
        EXPECT_FALSE(card->OutputOpen());
        // The end of the file closed the channel from the pump: pause, reset, close.
        const std::vector<std::string> calls = card->Calls();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls[calls.size() - 3], "waveOutPause");
        EXPECT_EQ(calls[calls.size() - 2], "waveOutReset");
        EXPECT_EQ(calls[calls.size() - 1], "waveOutClose");
        // The file is free again.
        platform::CFile again;
        EXPECT_NO_THROW(again.Open(file.Path()));
    }
}

TEST_F(FileAnalyzerTest, FilesOfAtMost32768BytesEndInTheFirstCycleWithoutAnalysingTheFile) {
    for (std::size_t length : {0u, 2u, 100u, 8192u, 16384u, 16484u, 24576u, 30000u, 32768u}) {
        SCOPED_TRACE(length);
        card = std::make_shared<platform::SimulatedSoundCard>();
        platform::SetWaveAudioDriver(card);
        const std::vector<std::int16_t> samples = NumberedSamples(length / 2);
        TempFile file("short.wav");
        file.WriteSamples(samples);
        ChooseFile(file.Path());

        auto a = std::make_unique<ObservedFileAnalyzer>();
        a->OpenFile();
        ASSERT_TRUE(a->WaitForEnd());
        const auto cycles = a->Cycles();
        ASSERT_EQ(cycles.size(), 1u);
        EXPECT_TRUE(AllZero(cycles[0].history));
        EXPECT_EQ(cycles[0].instFreq, 65535.0);
        // Only the first 8192 bytes are heard (then the block that the end cuts off).
        const auto written = card->WrittenBuffers();
        ASSERT_EQ(written.size(), 2u);
        EXPECT_EQ(written[0], Slice(samples, 0, kN));
        // The read-ahead block of the open: a short read leaves the rest of the cleared block.
        EXPECT_EQ(written[1], Slice(samples, 8192, kN));
        EXPECT_EQ(a->m_position, length);
        EXPECT_FALSE(a->m_file.IsOpen());
    }
}

TEST_F(FileAnalyzerTest, AShortLastReadKeepsTheOldTailOfTheReadAheadBlock) {
    const std::size_t length = 24576 + 8192 + 100;
    const std::vector<std::int16_t> samples = NumberedSamples(length / 2);
    TempFile file("tail.wav");
    file.WriteSamples(samples);
    ChooseFile(file.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->OpenFile();
    ASSERT_TRUE(a->WaitForEnd());
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 2u);
    // Cycle 1 read samples 12288..16383; cycle 2 read the last 50 over its start.
    std::vector<std::int16_t> expected = Slice(samples, 12288, kN);
    std::copy(samples.begin() + 16384, samples.end(), expected.begin());
    EXPECT_EQ(cycles[1].readBuffer, expected);
    EXPECT_EQ(a->m_position, length);
}

TEST_F(FileAnalyzerTest, VolumeAdjustGivesTheWindowGainTable) {
    auto expectedGain = [](int volume) {
        if (volume == -100) return -9.0;
        if (volume <= -75) return -6.0;
        if (volume <= -50) return -3.0;
        if (volume <= -25) return 0.0;
        if (volume <= 24) return 3.0;
        if (volume <= 49) return 6.0;
        if (volume <= 74) return 9.0;
        if (volume <= 99) return 12.0;
        return 15.0;
    };
    for (int v = -100; v <= 100; ++v)
        EXPECT_EQ(CFileAnalyzer::WindowGainForVolume(v), expectedGain(v)) << v;

    // Through a run, at every edge of the table.
    TempFile file("gain.wav");
    file.WriteSamples(NumberedSamples(16384));
    ChooseFile(file.Path());
    for (int v : {-100, -99, -75, -74, -50, -49, -25, -24, 0, 24, 25, 49, 50, 74, 75, 99, 100}) {
        SCOPED_TRACE(v);
        auto a = std::make_unique<ObservedFileAnalyzer>();
        a->m_volume = v;
        a->OpenFile();
        ASSERT_TRUE(a->WaitForEnd());
        EXPECT_EQ(a->Cycles()[0].windowGain, expectedGain(v));
        EXPECT_EQ(a->m_windowOffset, 0);
    }
}

TEST_F(FileAnalyzerTest, ZeroGainAnalysesSilence) {
    TempFile file("zero_gain.wav");
    file.WriteSamples(NumberedSamples((24576 + 8192 * 3) / 2));
    ChooseFile(file.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->m_volume = -30;
    a->OpenFile();
    ASSERT_TRUE(a->WaitForEnd());
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 3u);
    for (const auto& cycle : cycles) {
        EXPECT_EQ(cycle.windowGain, 0.0);
        EXPECT_EQ(cycle.instFreq, 65535.0);
        EXPECT_EQ(cycle.magnitude, 0.0);
    }
    EXPECT_FALSE(AllZero(cycles[0].history));  // the samples were there, the gain hid them
}

TEST_F(FileAnalyzerTest, CancellingTheDialogResetsAndSaysNoInputFileSelected) {
    ChooseFile(std::nullopt);
    auto a = std::make_unique<ObservedFileAnalyzer>();
    const std::int16_t block[kN] = {100, 200, 300};
    a->ShiftHistory(block);
    a->UpdateStatistics(10.0, 30.0);
    a->m_position = 12345;
    a->OpenFile();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"No input file selected!"}));
    EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(a->m_position, 0u);
    EXPECT_EQ(a->m_blockCount, 1u);
    static std::int16_t history[kH];
    a->CopyHistory(history);
    EXPECT_TRUE(
        std::all_of(std::begin(history), std::end(history), [](std::int16_t v) { return v == 0; }));
    EXPECT_TRUE(card->Calls().empty());
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_FALSE(a->m_file.IsOpen());

    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Sound file to load");
    EXPECT_EQ(requests[0].filterLabel, "Sound File (*.Wav)");
    EXPECT_EQ(requests[0].presetName, "*.WAV");
    EXPECT_EQ(requests[0].defaultExtension, "*.WAV");
    EXPECT_TRUE(requests[0].mustExist);
}

TEST_F(FileAnalyzerTest, AFileThatCannotBeOpenedRaisesAFileErrorAndNothingPlays) {
    TempFile locked("locked.wav");
    locked.WriteSamples(NumberedSamples(20000));
    platform::CFile holder;
    holder.Open(locked.Path());

    struct Case {
        std::string path;
        platform::CFileException::Cause cause;
        std::string text;
    };
    const std::string missing = ::testing::TempDir() + "kavrin_no_such_file.wav";
    std::string folder = ::testing::TempDir();
    const std::vector<Case> cases{
        {missing, platform::CFileException::Cause::notFound,
         "File not found while accessing " + missing + "."},
        // Unreadable: a folder, since the tests may run with rights that read any file.
        {folder, platform::CFileException::Cause::accessDenied,
         "Access denied while accessing " + folder + "."},
        // Opened without sharing by someone else.
        {locked.Path(), platform::CFileException::Cause::sharingViolation,
         "Sharing violation while accessing " + locked.Path() + "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ChooseFile(c.path);
        auto a = std::make_unique<ObservedFileAnalyzer>();
        try {
            a->OpenFile();
            ADD_FAILURE() << "no file error";
        } catch (const platform::CFileException& error) {
            EXPECT_EQ(error.GetCause(), c.cause);
            EXPECT_EQ(error.GetFileName(), c.path);
            EXPECT_STREQ(error.what(), c.text.c_str());
        }
        EXPECT_FALSE(a->m_file.IsOpen());
        EXPECT_FALSE(a->m_thread.Exists());
        EXPECT_EQ(a->m_position, 0u);
        EXPECT_TRUE(card->Calls().empty());
        EXPECT_TRUE(Messages().empty());
    }
    holder.Close();
    ChooseFile(locked.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    EXPECT_NO_THROW(a->OpenFile());
    EXPECT_TRUE(a->WaitForEnd());
}

TEST_F(FileAnalyzerTest, ThePlayedFileCannotBeOpenedElsewhereAndANewOpenFileReleasesIt) {
    TempFile first("first.wav");
    first.WriteSamples(NumberedSamples(30000));
    TempFile second("second.wav");
    const std::vector<std::int16_t> secondSamples = NumberedSamples((24576 + 8192 * 2) / 2);
    second.WriteSamples(secondSamples);

    // The playback device cannot be opened: the file stays open, nothing plays.
    card->FailCall("waveOutOpen", 4, 1);
    ChooseFile(first.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->OpenFile();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Specified resource is already allocated."}));
    EXPECT_TRUE(a->m_file.IsOpen());
    EXPECT_FALSE(a->m_thread.Exists());
    platform::CFile other;
    try {
        other.Open(first.Path());
        ADD_FAILURE() << "opened a file that is in use";
    } catch (const platform::CFileException& error) {
        EXPECT_EQ(error.GetCause(), platform::CFileException::Cause::sharingViolation);
    }

    ChooseFile(second.Path());
    a->OpenFile();
    ASSERT_TRUE(a->WaitForEnd());
    EXPECT_NO_THROW(other.Open(first.Path()));
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 2u);
    EXPECT_EQ(std::vector<std::int16_t>(cycles[0].history.end() - kN, cycles[0].history.end()),
              Slice(secondSamples, 8192, kN));
}

// A command stops a run (m_stop and the event) without closing it; the next File command ends
// that run, closes its device and file, and only then primes the buffers again.
TEST_F(FileAnalyzerTest, OpenFileAfterAStoppedRunClosesItFirst) {
    TempFile first("stopped.wav");
    first.WriteSamples(NumberedSamples((24576 + 8192 * 6) / 2));
    TempFile second("next.wav");
    const std::vector<std::int16_t> secondSamples = NumberedSamples((24576 + 8192 * 2) / 2);
    second.WriteSamples(secondSamples);

    ChooseFile(first.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->beforeFetch = [](ObservedFileAnalyzer& self, int index) {
        if (index == 2) self.SignalStop();
    };
    a->OpenFile();
    test_deadline::JoinWithin(a->m_thread, "the file pump");
    EXPECT_EQ(a->Cycles().size(), 2u);
    EXPECT_TRUE(a->m_file.IsOpen());
    EXPECT_TRUE(card->OutputOpen());

    a->beforeFetch = nullptr;
    ClearTrace();
    ChooseFile(second.Path());
    a->OpenFile();
    ASSERT_TRUE(a->WaitForEnd());
    const std::vector<std::string> calls = card->Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "waveOutReset");
    EXPECT_EQ(calls[1], "waveOutClose");
    EXPECT_EQ(calls[2], "waveOutGetDevCaps");
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 4u);
    // The new run starts from a cleared history with the new file's first analysed block.
    std::vector<std::int16_t> expected(kH, 0);
    const auto block = Slice(secondSamples, 8192, kN);
    std::copy(block.begin(), block.end(), expected.end() - kN);
    EXPECT_EQ(cycles[2].history, expected);
    platform::CFile again;
    EXPECT_NO_THROW(again.Open(first.Path()));
}

// A File command while a run is still playing ends that run first: one pump at a time, and the
// new run starts from a cleared history with the new file.
TEST_F(FileAnalyzerTest, OpenFileDuringARunEndsThatRunFirst) {
    TempFile longFile("long.wav");
    longFile.WriteSamples(NumberedSamples(1000000));
    TempFile shortFile("short_next.wav");
    const std::vector<std::int16_t> shortSamples = NumberedSamples((24576 + 8192 * 3) / 2);
    shortFile.WriteSamples(shortSamples);
    auto a = std::make_unique<ObservedFileAnalyzer>();
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        ChooseFile(longFile.Path());
        a->OpenFile();
        ChooseFile(shortFile.Path());
        a->OpenFile();
        ASSERT_TRUE(a->WaitForEndOf(shortFile.Path()));
        test_deadline::JoinWithin(a->m_thread, "the file pump");
        std::vector<ObservedFileAnalyzer::Cycle> cycles = a->Cycles();
        cycles.erase(std::remove_if(cycles.begin(), cycles.end(),
                                    [&](const auto& c) { return c.path != shortFile.Path(); }),
                     cycles.end());
        ASSERT_EQ(cycles.size(), static_cast<std::size_t>(3 * (round + 1)));
        const auto& first = cycles[3 * round];
        EXPECT_TRUE(std::all_of(first.history.begin(), first.history.end() - kN,
                                [](std::int16_t v) { return v == 0; }));
        EXPECT_EQ(std::vector<std::int16_t>(first.history.end() - kN, first.history.end()),
                  Slice(shortSamples, 8192, kN));
        EXPECT_FALSE(a->m_file.IsOpen());
        platform::CFile again;
        EXPECT_NO_THROW(again.Open(longFile.Path()));
    }
    EXPECT_FALSE(a->Overlapped());
    EXPECT_FALSE(card->OutputOpen());
    EXPECT_TRUE(Messages().empty());
    // The long runs were cut short: none of them reached its end.
    const auto cycles = a->Cycles();
    EXPECT_LT(std::count_if(cycles.begin(), cycles.end(),
                            [&](const auto& c) { return c.path == longFile.Path(); }),
              10 * 240);
}

// A read that fails in the middle of a run ends the run: the file and the channel are closed,
// the error is reported with the stop icon, and the pump ends.
TEST_F(FileAnalyzerTest, AReadErrorInTheMiddleOfARunEndsItAndIsReported) {
    TempFile file("read_error.wav");
    file.WriteSamples(NumberedSamples((24576 + 8192 * 6) / 2));
    ChooseFile(file.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->beforeFetch = [](ObservedFileAnalyzer& self, int index) {
        if (index != 2) return;
        // From now on the descriptor refers to a folder, whose reads fail.
        const int folder = ::open(::testing::TempDir().c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(folder, 0);
        ASSERT_GE(::dup2(folder, self.m_file.GetHandle()), 0);
        ::close(folder);
    };
    a->OpenFile();
    ASSERT_TRUE(WaitForMessages(1));
    test_deadline::JoinWithin(a->m_thread, "the file pump");
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Access denied while accessing " + file.Path() + ".");
    EXPECT_EQ(messages[0].icon, platform::MessageIcon::Stop);
    EXPECT_FALSE(a->m_file.IsOpen());
    EXPECT_FALSE(card->OutputOpen());
    EXPECT_EQ(a->m_stop, 1);
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 2u);
    // Nothing more was analysed after the failed read.
    EXPECT_EQ(cycles[1].avgFreq, cycles[0].avgFreq);
    EXPECT_EQ(cycles[1].instFreq, cycles[0].instFreq);
    EXPECT_EQ(a->m_blockCount, 2u);
    // The failed cycle wrote nothing more to the device.
    EXPECT_EQ(card->WrittenBuffers().size(), 2u);
}

// Positions and lengths are 64-bit: a file of more than 4 GiB is read to its end and ends. The
// file is sparse, and the run is moved to just below 4 GiB + its tail before its first cycle, as
// if everything before had been played.
TEST_F(FileAnalyzerTest, AFileOfMoreThanFourGibibytesIsAnalysedToItsEnd) {
    constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
    const std::size_t tailBytes = 3 * 8192 + 100;
    const std::uint64_t length = kFourGiB + tailBytes;
    TempFile file("huge.wav");
    const std::vector<std::int16_t> head = NumberedSamples(24576 / 2);
    std::vector<std::int16_t> tail(tailBytes / 2);
    for (std::size_t i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<std::int16_t>(-1 - static_cast<int>(i % 30000));
    {
        const int fd = ::open(file.Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, head.data(), head.size() * 2, 0),
                  static_cast<ssize_t>(head.size() * 2));
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size() * 2, static_cast<off_t>(kFourGiB)),
                  static_cast<ssize_t>(tail.size() * 2));
        ::close(fd);
    }
    ChooseFile(file.Path());
    auto a = std::make_unique<ObservedFileAnalyzer>();
    a->beforeFetch = [&](ObservedFileAnalyzer& self, int index) {
        if (index != 1) return;
        self.m_file.Seek(kFourGiB);
        self.m_position = kFourGiB;
    };
    a->OpenFile();
    ASSERT_TRUE(a->WaitForEnd());
    const auto cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), 4u);
    EXPECT_EQ(a->m_position, length);
    // Cycle 2 analyses the first block read above 4 GiB, cycle 3 the second.
    EXPECT_EQ(std::vector<std::int16_t>(cycles[1].history.end() - kN, cycles[1].history.end()),
              Slice(tail, 0, kN));
    EXPECT_EQ(std::vector<std::int16_t>(cycles[2].history.end() - kN, cycles[2].history.end()),
              Slice(tail, kN, kN));
    EXPECT_TRUE(AllZero(cycles[3].history));
    const auto written = card->WrittenBuffers();
    ASSERT_EQ(written.size(), 5u);
    EXPECT_EQ(written[4], Slice(tail, 2 * kN, kN));
    EXPECT_FALSE(a->m_file.IsOpen());
}

TEST_F(FileAnalyzerTest, DestroyingARunningFileAnalyzerEndsItsRun) {
    card->SetPace(platform::SimulatedSoundCard::Pace::RealTime);
    TempFile file("running.wav");
    file.WriteSamples(NumberedSamples(200000));
    ChooseFile(file.Path());
    auto a = std::make_unique<CFileAnalyzer>();
    a->OpenFile();
    EXPECT_TRUE(a->m_thread.Exists());
    a.reset();
    EXPECT_FALSE(card->OutputOpen());
    platform::CFile again;
    EXPECT_NO_THROW(again.Open(file.Path()));
}

}  // namespace
