#include "sources/live_analyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "source_test_support.h"

namespace {

using namespace sources_test;

constexpr int kN = CTremorAnalyzer::kBlockSize;

// A number that no other thread of the process has (thread ids are reused once a thread ended).
int ThreadSerial() {
    static std::atomic<int> next{0};
    thread_local const int serial = ++next;
    return serial;
}

// A live analyzer that records every analysed block, and notices when two threads run its
// cycles at the same time.
class ObservedLiveAnalyzer : public CLiveAnalyzer {
public:
    struct Cycle {
        int thread = 0;  // ThreadSerial() of the thread that analysed it
        std::vector<std::int16_t> block;
        double instFreq = 0;
        double avgFreq = 0;
        double magnitude = 0;
        std::uint32_t threshold = 0;
        double windowGain = 0;
        std::int16_t windowOffset = 0;
    };

    // Keeps only counts and threads (long runs).
    bool recordBlocks = true;
    // Called at the start of every FetchBlock with its number (1, 2, ...), on the fetching thread.
    std::function<void(int)> beforeFetch;

    ~ObservedLiveAnalyzer() override { EndPump(); }

    int FetchBlock() override {
        Enter();
        const int index = ++m_fetches;
        if (beforeFetch) beforeFetch(index);
        const int result = CLiveAnalyzer::FetchBlock();
        Leave();
        return result;
    }

    int Analyze(void* block) override {
        Enter();
        const int result = CLiveAnalyzer::Analyze(block);
        Cycle cycle;
        cycle.thread = ThreadSerial();
        if (recordBlocks) {
            std::lock_guard<std::mutex> guard(m_dataLock);
            cycle.block.assign(m_captureBuffer, m_captureBuffer + kN);
        }
        cycle.instFreq = m_instFreq;
        cycle.avgFreq = m_avgFreq;
        cycle.magnitude = m_magnitude;
        cycle.threshold = m_threshold;
        cycle.windowGain = m_windowGain;
        cycle.windowOffset = m_windowOffset;
        Leave();
        std::lock_guard<std::mutex> guard(m_lock);
        m_lastThread = cycle.thread;
        if (recordBlocks) m_cycles.push_back(std::move(cycle));
        ++m_cycleCount;
        m_changed.notify_all();
        return result;
    }

    int Fetches() const { return m_fetches; }
    int CycleCount() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_cycleCount;
    }
    int LastThread() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lastThread;
    }
    std::vector<Cycle> Cycles() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_cycles;
    }
    bool WaitForCycles(int count, std::chrono::milliseconds timeout = 20s) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_cycleCount >= count; });
    }
    bool Overlapped() const { return m_overlapped; }

private:
    void Enter() {
        if (++m_inFlight > 1) m_overlapped = true;
    }
    void Leave() { --m_inFlight; }

    std::atomic<int> m_fetches{0};
    std::atomic<int> m_inFlight{0};
    std::atomic<bool> m_overlapped{false};
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Cycle> m_cycles;
    int m_lastThread = 0;
    int m_cycleCount = 0;
};

// The tone as the generator defines it: `blocks` blocks after the seed of SetupTone.
std::vector<std::int16_t> ToneBlocks(double frequency, std::int16_t amplitude, int blocks) {
    const double omega = 4.0 * std::atan(1.0) * frequency * 2.0 / 11025.0;
    const double k = 2.0 * std::cos(omega);
    std::vector<double> d(kN, 0.0);
    d[kN - 2] = -(std::sin(omega) * amplitude);
    d[kN - 1] = 0.0;
    std::vector<std::int16_t> samples;
    for (int b = 0; b < blocks; ++b) {
        std::vector<double> next(kN);
        next[0] = k * d[kN - 1] - d[kN - 2];
        next[1] = k * next[0] - d[kN - 1];
        for (int i = 2; i < kN; ++i) next[i] = k * next[i - 1] - next[i - 2];
        for (double v : next) samples.push_back(static_cast<std::int16_t>(static_cast<int>(v)));
        d = next;
    }
    return samples;
}

std::vector<std::int16_t> Block(const std::vector<std::int16_t>& samples, int index) {
    return std::vector<std::int16_t>(samples.begin() + index * kN,
                                     samples.begin() + (index + 1) * kN);
}

// A speech-like test signal: a 9.3 Hz sway of a 300 Hz tone plus deterministic noise.
std::vector<std::int16_t> TestSignal(int blocks) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(blocks) * kN);
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> noise(-400, 400);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 11025.0;
        const double sway = 1.0 + 0.5 * std::sin(2.0 * M_PI * 9.3 * t);
        samples[i] = static_cast<std::int16_t>(4000.0 * sway * std::sin(2.0 * M_PI * 300.0 * t) +
                                               noise(random));
    }
    return samples;
}

class LiveAnalyzerTest : public SourceTest {};

TEST_F(LiveAnalyzerTest, ConstructionGivesTheInitialValues) {
    auto a = std::make_unique<CLiveAnalyzer>();
    const double omega = 4.0 * std::atan(1.0) * 10.0 * 2.0 / 11025.0;
    EXPECT_EQ(a->m_toneFrequency, 10.0);
    EXPECT_EQ(a->m_toneSampleRate, 11025.0);
    EXPECT_EQ(a->m_toneAmplitude, 10);
    EXPECT_EQ(a->m_toneOmega, omega);
    EXPECT_EQ(a->m_toneCoefficient, 2.0 * std::cos(omega));
    EXPECT_EQ(a->m_toneValues[kN - 2], -(std::sin(omega) * 10));
    EXPECT_EQ(a->m_toneValues[kN - 1], 0.0);
    EXPECT_TRUE(
        std::all_of(a->m_toneValues, a->m_toneValues + kN - 2, [](double v) { return v == 0.0; }));
    EXPECT_TRUE(std::all_of(a->m_captureBuffer, a->m_captureBuffer + kN,
                            [](std::int16_t v) { return v == 0; }));
    EXPECT_EQ(a->m_windowOffset, 512);
    EXPECT_EQ(a->m_windowGain, 3.0);
    EXPECT_EQ(a->m_sampleRate, 11025);
    EXPECT_EQ(a->m_blockSize, 4096);
    EXPECT_EQ(a->m_toneMode, 0);
    EXPECT_EQ(a->m_stop, 0);
    EXPECT_EQ(a->m_volume, 0);
    EXPECT_EQ(a->m_event.load(), nullptr);
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_EQ(a->m_hWaveIn, nullptr);
    EXPECT_EQ(a->m_avgFreq, 20.0);
    EXPECT_EQ(a->m_minFreq, 40.0);
    EXPECT_EQ(a->m_maxFreq, 0.0);
    EXPECT_EQ(a->m_avgMagnitude, 8000.0);
    EXPECT_EQ(a->m_blockCount, 1u);
    EXPECT_EQ(a->m_thresholdPercent, 80);
    EXPECT_EQ(a->m_underThreshold, 1);
    a.reset();
    // Destruction without a start: no device call, only CloseCapture's pause.
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 50"}));
}

TEST_F(LiveAnalyzerTest, OpenCaptureCallsTheDeviceInOrderAndCloseCaptureClosesItOnce) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    EXPECT_EQ(a->OpenCapture(), 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Trace(),
              (std::vector<std::string>{"waveInGetDevCaps", "waveInOpen", "waveInPrepareHeader",
                                        "waveInAddBuffer", "waveInStart"}));
    EXPECT_EQ(a->m_format.formatTag, 1);
    EXPECT_EQ(a->m_format.channels, 1);
    EXPECT_EQ(a->m_format.samplesPerSec, 11025u);
    EXPECT_EQ(a->m_format.avgBytesPerSec, 22050u);
    EXPECT_EQ(a->m_format.blockAlign, 2);
    EXPECT_EQ(a->m_format.bitsPerSample, 16);
    EXPECT_EQ(a->m_format.extraSize, 0);
    EXPECT_EQ(a->m_header.bufferLength, 8192u);
    ASSERT_NE(a->m_event.load(), nullptr);
    EXPECT_EQ(a->m_event.load()->Name(), "WaveInThreadEvent");
    EXPECT_TRUE(a->m_thread.Exists());
    EXPECT_TRUE(card->InputOpen());

    ClearTrace();
    a->CloseCapture();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 50", "waveInStop", "waveInClose"}));
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_EQ(a->m_stop, 1);
    ASSERT_NE(a->m_hWaveIn, nullptr);
    EXPECT_TRUE(a->m_hWaveIn->IsClosed());
    EXPECT_FALSE(card->InputOpen());

    // A second close leaves the closed device alone.
    ClearTrace();
    a->CloseCapture();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 50"}));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(a->CycleCount(), 0);
}

TEST_F(LiveAnalyzerTest, NoInputDeviceSaysSoAndStartsNothing) {
    card->SetInputDeviceCount(0);
    auto a = std::make_unique<CLiveAnalyzer>();
    EXPECT_EQ(a->OpenCapture(), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"No Sound Device"}));
    EXPECT_EQ(Messages()[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(a->m_event.load(), nullptr);
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_TRUE(card->Calls().empty());
}

TEST_F(LiveAnalyzerTest, EachOpenCaptureFailureGivesItsMessageAndResult) {
    struct Case {
        const char* call;
        platform::MMRESULT code;
        std::int32_t result;
        const char* message;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> all{"waveInGetDevCaps", "waveInOpen", "waveInPrepareHeader",
                                       "waveInAddBuffer", "waveInStart"};
    auto upTo = [&](std::size_t n) {
        return std::vector<std::string>(all.begin(), all.begin() + n);
    };
    const std::vector<Case> cases{
        {"waveInGetDevCaps", 1, 0, "Cannot determine sound card capabilities !", upTo(5)},
        {"waveInOpen", 2, 2, "Cannot Open Sound Input Device!", upTo(2)},
        {"waveInOpen", 4, 4, "Cannot Open Sound Input Device!", upTo(2)},
        {"waveInOpen", 32, 32, "Cannot Open Sound Input Device!", upTo(2)},
        {"waveInPrepareHeader", 11, 11, "Cannot Prepare Header !", upTo(3)},
        // Prepared without the prepared flag: the message, and the prepare's result 0.
        {"waveInPrepareHeader", 0, 0, "Cannot Prepare Header !", upTo(3)},
        {"waveInAddBuffer", 5, 5, "Cannot Add Buffer !", upTo(4)},
        {"waveInStart", 6, 6, "Cannot Start Wave In !", upTo(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.code));
        ClearTrace();
        ClearMessages();
        auto a = std::make_unique<CLiveAnalyzer>();
        card->FailCall(c.call, c.code, 1);
        EXPECT_EQ(a->OpenCapture(), c.result);
        EXPECT_EQ(MessageTexts(), (std::vector<std::string>{c.message}));
        EXPECT_EQ(card->Calls(), c.calls);
        // The pump was started before the device was opened and keeps waiting.
        EXPECT_TRUE(a->m_thread.Exists());
        EXPECT_FALSE(a->m_thread.Finished());
        a->CloseCapture();
        EXPECT_FALSE(a->m_thread.Exists());
        card->ClearFailures();
    }
}

TEST_F(LiveAnalyzerTest, CaptureAnalysesExactlyTheCapturedBlocks) {
    constexpr int kBlocks = 8;
    const std::vector<std::int16_t> samples = TestSignal(kBlocks);
    card->SetCaptureSamples(samples);
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->m_volume = 25;  // volume factor 2, the lowest value that gives it
    a->m_thresholdPercent = 70;
    ASSERT_EQ(a->OpenCapture(), 0);
    ASSERT_TRUE(a->WaitForCycles(kBlocks));
    a->CloseCapture();
    EXPECT_EQ(a->CycleCount(), kBlocks);  // the samples ran out: no further block
    EXPECT_EQ(card->CapturedBufferCount(), static_cast<std::size_t>(kBlocks));
    EXPECT_FALSE(a->Overlapped());

    CTremorAnalyzer reference;
    reference.m_thresholdPercent = 70;
    const std::vector<ObservedLiveAnalyzer::Cycle> cycles = a->Cycles();
    ASSERT_EQ(cycles.size(), static_cast<std::size_t>(kBlocks));
    for (int b = 0; b < kBlocks; ++b) {
        SCOPED_TRACE(b);
        const std::vector<std::int16_t> block = Block(samples, b);
        EXPECT_EQ(cycles[b].block, block);
        reference.ShiftHistory(block.data());
        reference.ApplyWindow(3.0 * 2, 512);
        reference.Evaluate();
        EXPECT_EQ(cycles[b].instFreq, reference.m_instFreq);
        EXPECT_EQ(cycles[b].avgFreq, reference.m_avgFreq);
        EXPECT_EQ(cycles[b].magnitude, reference.m_magnitude);
        EXPECT_EQ(cycles[b].threshold, reference.m_threshold);
        EXPECT_EQ(cycles[b].windowGain, 3.0);
        EXPECT_EQ(cycles[b].windowOffset, 512);
    }
    EXPECT_GT(reference.m_magnitude, 0.0);
    static double expected[CTremorAnalyzer::kHistorySize];
    static double actual[CTremorAnalyzer::kHistorySize];
    reference.CopyWindowed(expected);
    a->CopyWindowed(actual);
    EXPECT_EQ(std::memcmp(expected, actual, sizeof(expected)), 0);

    // Every block was handed back to the device in its cycle.
    const std::vector<std::string> calls = card->Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "waveInUnprepareHeader"), kBlocks);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "waveInAddBuffer"), kBlocks + 1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(LiveAnalyzerTest, AFailedUnprepareReportsAndStopsCaptureAfterAnalysingTheBlock) {
    const std::vector<std::int16_t> samples = TestSignal(3);
    card->SetCaptureSamples(samples);
    card->FailCall("waveInUnprepareHeader", 5, 1);
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    ASSERT_EQ(a->OpenCapture(), 0);
    ASSERT_TRUE(a->WaitForCycles(1));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Cannot UnPrepareHeader !"}));
    EXPECT_EQ(a->Cycles()[0].block, Block(samples, 0));
    const std::vector<std::string> calls = card->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "waveInUnprepareHeader");  // nothing handed back
    a->CloseCapture();
    EXPECT_EQ(a->CycleCount(), 1);
    EXPECT_EQ(card->CapturedBufferCount(), 1u);
}

TEST_F(LiveAnalyzerTest, FailuresWhileHandingTheBufferBackAreReportedAndTheCycleGoesOn) {
    struct Case {
        const char* call;
        platform::MMRESULT code;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        // An unprepared buffer cannot be added either.
        {"waveInPrepareHeader", 7, {"Cannot Prepare Header !", "Cannot Add Buffer !"}},
        {"waveInPrepareHeader", 0, {"Cannot Prepare Header !", "Cannot Add Buffer !"}},
        {"waveInAddBuffer", 5, {"Cannot Add Buffer !"}},
        {"waveInStart", 5, {"Cannot Start Wave In !"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.code));
        ClearTrace();
        ClearMessages();
        card->SetCaptureSamples(TestSignal(2));
        auto a = std::make_unique<ObservedLiveAnalyzer>();
        a->beforeFetch = [&](int index) {
            if (index == 1) card->FailCall(c.call, c.code, 1);
        };
        ASSERT_EQ(a->OpenCapture(), 0);
        ASSERT_TRUE(a->WaitForCycles(1));
        EXPECT_EQ(MessageTexts(), c.messages);
        const std::vector<std::string> calls = card->Calls();
        ASSERT_GE(calls.size(), 9u) << "the cycle made too few device calls";
        const std::vector<std::string> fetch(calls.begin() + 5, calls.begin() + 9);
        EXPECT_EQ(fetch, (std::vector<std::string>{"waveInUnprepareHeader", "waveInPrepareHeader",
                                                   "waveInAddBuffer", "waveInStart"}));
        a->CloseCapture();
    }
}

// Many blocks of the test signal, so that a pump running flat out does not run dry.
std::vector<std::int16_t> LongSignal() {
    const std::vector<std::int16_t> part = TestSignal(8);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 250; ++i) samples.insert(samples.end(), part.begin(), part.end());
    return samples;
}

TEST_F(LiveAnalyzerTest, StopCaptureKeepsCapturingAndARestartLeavesOnePump) {
    card->SetCaptureSamples(LongSignal());
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->recordBlocks = false;
    ASSERT_EQ(a->OpenCapture(), 0);
    ASSERT_TRUE(a->WaitForCycles(2));
    const int firstPump = a->LastThread();

    ClearTrace();
    const int stopped = a->CycleCount();
    a->StopCapture();
    {
        // The pump may hand its buffer back meanwhile; the two calls come in this order.
        const std::vector<std::string> calls = card->Calls();
        const auto stop = std::find(calls.begin(), calls.end(), "waveInStop");
        ASSERT_NE(stop, calls.end());
        EXPECT_NE(std::find(stop, calls.end(), "waveInReset"), calls.end());
    }
    // The pump was not stopped: the returned buffer wakes it, it hands the buffer back and
    // capture goes on in the background.
    ASSERT_TRUE(a->WaitForCycles(stopped + 1));
    EXPECT_EQ(a->LastThread(), firstPump);

    ClearTrace();
    ASSERT_EQ(a->OpenCapture(), 0);
    const int restarted = a->CycleCount();
    {
        // The old pump has ended and the old device was closed before the new one was opened.
        const std::vector<std::string> calls = card->Calls();
        const auto caps = std::find(calls.begin(), calls.end(), "waveInGetDevCaps");
        ASSERT_NE(caps, calls.end());
        const std::size_t at = static_cast<std::size_t>(caps - calls.begin());
        ASSERT_GE(at, 2u);
        ASSERT_GE(calls.size(), at + 5);
        EXPECT_EQ(
            std::vector<std::string>(calls.begin() + at - 2, calls.begin() + at + 5),
            (std::vector<std::string>{"waveInStop", "waveInClose", "waveInGetDevCaps", "waveInOpen",
                                      "waveInPrepareHeader", "waveInAddBuffer", "waveInStart"}));
    }
    ASSERT_TRUE(a->WaitForCycles(restarted + 3));
    EXPECT_NE(a->LastThread(), firstPump);
    a->CloseCapture();
    EXPECT_FALSE(a->Overlapped());
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_FALSE(card->InputOpen());
}

TEST_F(LiveAnalyzerTest, FirstToneBlockIsTheSineFromItsZeroCrossing) {
    auto a = std::make_unique<CLiveAnalyzer>();
    a->m_toneMode = 1;
    a->FetchBlock();
    const std::vector<std::int16_t> expected = ToneBlocks(10.0, 10, 1);
    const double omega = 2.0 * M_PI * 10.0 / 11025.0;
    for (int i = 0; i < kN; ++i) {
        ASSERT_EQ(a->m_captureBuffer[i], expected[i]) << i;
        const double sine = std::trunc(10.0 * std::sin((i + 1) * omega));
        ASSERT_LE(std::fabs(a->m_captureBuffer[i] - sine), 1.0) << i;
        ASSERT_LE(std::abs(a->m_captureBuffer[i]), 10) << i;
    }
    EXPECT_EQ(a->m_captureBuffer[0], 0);  // rising from the zero crossing
    EXPECT_EQ(a->m_captureBuffer[100], 5);
    EXPECT_EQ(*std::max_element(a->m_captureBuffer, a->m_captureBuffer + kN), 9);
    EXPECT_TRUE(card->Calls().empty());
}

TEST_F(LiveAnalyzerTest, StartToneKicksThePumpAfterItsPauseAndAnalysesTheSecondBlockFirst) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    std::atomic<int> cyclesAtPause{-1};
    std::atomic<int> fetchesAtPause{-1};
    OnPause([&](int milliseconds) {
        if (milliseconds == 200) {
            cyclesAtPause = a->CycleCount();
            fetchesAtPause = a->Fetches();
        }
    });
    a->StartTone();
    ASSERT_TRUE(a->WaitForCycles(3));
    a->m_toneMode = 0;  // the Test Generator Stop command
    a->SignalStop();
    a->EndPump();
    OnPause(nullptr);

    EXPECT_EQ(cyclesAtPause, 0);   // nothing ran before the kick
    EXPECT_EQ(fetchesAtPause, 1);  // the starter's own block
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 200"}));
    EXPECT_TRUE(Messages().empty());

    const std::vector<ObservedLiveAnalyzer::Cycle> cycles = a->Cycles();
    const std::vector<std::int16_t> tone = ToneBlocks(10.0, 10, 4);
    CTremorAnalyzer reference;
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        const std::vector<std::int16_t> block = Block(tone, c + 1);
        EXPECT_EQ(cycles[c].block, block);
        EXPECT_EQ(cycles[c].windowGain, 1.0);
        EXPECT_EQ(cycles[c].windowOffset, 0);
        reference.ShiftHistory(block.data());
        reference.ApplyWindow(1.0, 0);
        reference.Evaluate();
        EXPECT_EQ(cycles[c].instFreq, reference.m_instFreq);
        EXPECT_EQ(cycles[c].avgFreq, reference.m_avgFreq);
        EXPECT_EQ(cycles[c].magnitude, reference.m_magnitude);
    }
    EXPECT_FALSE(a->Overlapped());
}

TEST_F(LiveAnalyzerTest, ToneOfFrequencyZeroIsSilenceAndGivesNoBandFrequency) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->m_toneFrequency = 0.0;
    a->StartTone();
    ASSERT_TRUE(a->WaitForCycles(5));
    a->CloseCapture();
    EXPECT_EQ(a->m_toneOmega, 0.0);
    EXPECT_EQ(a->m_toneCoefficient, 2.0);
    for (const auto& cycle : a->Cycles()) {
        EXPECT_TRUE(std::all_of(cycle.block.begin(), cycle.block.end(),
                                [](std::int16_t v) { return v == 0; }));
        EXPECT_EQ(cycle.instFreq, 65535.0);
        EXPECT_EQ(cycle.magnitude, 0.0);
    }
    static std::int16_t history[CTremorAnalyzer::kHistorySize];
    a->CopyHistory(history);
    EXPECT_TRUE(
        std::all_of(std::begin(history), std::end(history), [](std::int16_t v) { return v == 0; }));
}

TEST_F(LiveAnalyzerTest, FullAmplitudeToneStaysWithinSixteenBits) {
    for (double frequency : {1000.0, 5512.0, 22000.0}) {
        SCOPED_TRACE(frequency);
        auto a = std::make_unique<CLiveAnalyzer>();
        a->m_toneFrequency = frequency;
        a->m_toneAmplitude = 32000;
        a->SetupTone();
        a->m_toneMode = 1;
        const std::vector<std::int16_t> expected = ToneBlocks(frequency, 32000, 5);
        int peak = 0;
        for (int b = 0; b < 5; ++b) {
            a->FetchBlock();
            for (int i = 0; i < kN; ++i) {
                ASSERT_EQ(a->m_captureBuffer[i], expected[b * kN + i]);
                ASSERT_LE(std::abs(a->m_captureBuffer[i]), 32000);
                peak = std::max(peak, std::abs(static_cast<int>(a->m_captureBuffer[i])));
            }
        }
        EXPECT_GE(peak, 31000);
    }
}

TEST_F(LiveAnalyzerTest, TestGeneratorStartWithoutSetParamsContinuesTheOscillator) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->StartTone();
    ASSERT_TRUE(a->WaitForCycles(2));
    // Ended while still in tone mode, so that every fetch so far synthesised a block.
    a->EndPump();
    a->m_toneMode = 0;
    const int synthesised = a->Fetches();
    const int analysed = a->CycleCount();

    // Test Generator Start: no SetupTone, the tone goes on from the recurrence state. During
    // its pause the starter's own block is in place and the pump has not been kicked.
    const std::vector<std::int16_t> tone = ToneBlocks(10.0, 10, synthesised + 2);
    std::vector<std::int16_t> blockAtPause;
    std::atomic<int> cyclesAtPause{-1};
    ClearTrace();
    OnPause([&](int milliseconds) {
        if (milliseconds != 500) return;
        blockAtPause.assign(a->m_captureBuffer, a->m_captureBuffer + kN);
        cyclesAtPause = a->CycleCount();
    });
    a->BeginTone(CLiveAnalyzer::ToneStart::Command);
    ASSERT_TRUE(a->WaitForCycles(analysed + 1));
    OnPause(nullptr);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 500"}));
    EXPECT_EQ(cyclesAtPause, analysed);
    EXPECT_EQ(blockAtPause, Block(tone, synthesised));
    ASSERT_EQ(blockAtPause.size(), static_cast<std::size_t>(kN));
    const double omega = 2.0 * M_PI * 10.0 / 11025.0;
    for (int i = 0; i < kN; ++i) {
        const double sine =
            std::trunc(10.0 * std::sin((static_cast<double>(synthesised) * kN + i + 1) * omega));
        ASSERT_LE(std::fabs(blockAtPause[i] - sine), 1.0) << i;
    }
    a->m_toneMode = 0;
    a->SignalStop();
    a->EndPump();
    EXPECT_EQ(a->Cycles()[analysed].block, Block(tone, synthesised + 1));
    EXPECT_FALSE(a->Overlapped());
}

TEST_F(LiveAnalyzerTest, VolumeFactorZeroSilencesTheTone) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->m_volume = -49;  // the lowest value with factor 0
    a->StartTone();
    ASSERT_TRUE(a->WaitForCycles(2));
    a->CloseCapture();
    for (const auto& cycle : a->Cycles()) {
        EXPECT_EQ(cycle.instFreq, 65535.0);
        EXPECT_EQ(cycle.magnitude, 0.0);
    }
}

TEST_F(LiveAnalyzerTest, CloseCaptureEndsATonePumpThatKeepsReArming) {
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->recordBlocks = false;
    for (int round = 0; round < 30; ++round) {
        const int before = a->CycleCount();
        a->StartTone();
        ASSERT_TRUE(a->WaitForCycles(before + 1));
        a->CloseCapture();  // does not clear m_toneMode
        EXPECT_EQ(a->m_toneMode, 1);
        ASSERT_FALSE(a->m_thread.Exists());
    }
    EXPECT_FALSE(a->Overlapped());
    EXPECT_TRUE(card->Calls().empty());
}

TEST_F(LiveAnalyzerTest, DestroyingARunningAnalyzerEndsItsPump) {
    card->SetCaptureSamples(TestSignal(4));
    auto tone = std::make_unique<CLiveAnalyzer>();
    tone->StartTone();
    auto capture = std::make_unique<CLiveAnalyzer>();
    ASSERT_EQ(capture->OpenCapture(), 0);
    ASSERT_TRUE(card->WaitForCapturedBuffers(1, 20s));
    tone.reset();
    capture.reset();
    EXPECT_FALSE(card->InputOpen());
}

TEST_F(LiveAnalyzerTest, ResetClearsTheCaptureBufferAndTheCore) {
    auto a = std::make_unique<CLiveAnalyzer>();
    a->m_toneMode = 1;
    a->FetchBlock();
    a->Analyze(a->m_captureBuffer);
    a->m_toneMode = 0;
    EXPECT_EQ(a->m_blockCount, 2u);
    a->Reset();
    EXPECT_TRUE(std::all_of(a->m_captureBuffer, a->m_captureBuffer + kN,
                            [](std::int16_t v) { return v == 0; }));
    EXPECT_EQ(a->m_blockCount, 1u);
    EXPECT_EQ(a->m_avgFreq, 20.0);
    static std::int16_t history[CTremorAnalyzer::kHistorySize];
    a->CopyHistory(history);
    EXPECT_TRUE(
        std::all_of(std::begin(history), std::end(history), [](std::int16_t v) { return v == 0; }));
}

TEST_F(LiveAnalyzerTest, StartToneWhileCaptureRunsEndsTheCapturePumpFirst) {
    card->SetCaptureSamples(LongSignal());
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->recordBlocks = false;
    ASSERT_EQ(a->OpenCapture(), 0);
    ASSERT_TRUE(a->WaitForCycles(2));
    const int capturePump = a->LastThread();
    a->StopCapture();  // what the Set Params command does while capture runs
    a->StartTone();
    const int started = a->CycleCount();
    ASSERT_TRUE(a->WaitForCycles(started + 3));
    EXPECT_NE(a->LastThread(), capturePump);
    a->CloseCapture();
    EXPECT_FALSE(a->Overlapped());
    EXPECT_FALSE(card->InputOpen());
}

// Hundreds of start and stop sequences in tone and capture modes, with the user-interface side
// reading results, resetting and changing the volume meanwhile. Nothing may hang, two pumps may
// never serve the analyzer at once, and every stop must end its pump.
TEST_F(LiveAnalyzerTest, StressOfStartsAndStopsInToneAndCaptureModes) {
    card->SetCaptureSamples(TestSignal(400));
    auto a = std::make_unique<ObservedLiveAnalyzer>();
    a->recordBlocks = false;
    std::mt19937 random(42);
    const auto deadline = std::chrono::steady_clock::now() + 6s;
    int rounds = 0;
    for (; rounds < 300 && std::chrono::steady_clock::now() < deadline; ++rounds) {
        switch (random() % 9) {
            case 0:  // Set Params: stop the tone, then a new tone
                a->m_toneMode = 0;
                a->SignalStop();
                a->m_toneFrequency = static_cast<double>(random() % 40);
                a->m_toneAmplitude = static_cast<std::int16_t>(random() % 32001);
                a->StartTone();
                break;
            case 1: {  // Test Generator Start
                a->StopCapture();
                a->BeginTone(CLiveAnalyzer::ToneStart::Command);
                const int now = a->CycleCount();
                ASSERT_TRUE(a->WaitForCycles(now + 1));
                break;
            }
            case 2:  // Test Generator Stop
                a->m_toneMode = 0;
                a->SignalStop();
                a->Reset();
                break;
            case 3:  // Line On
                a->m_toneMode = 0;
                a->SignalStop();
                a->OpenCapture();
                break;
            case 4:  // Line Off
                a->CloseCapture();
                a->Reset();
                break;
            case 5:
                a->StopCapture();
                break;
            case 6:  // the display timer
                a->m_volume = static_cast<std::int32_t>(random() % 201) - 100;
                (void)a->BinMagnitude(101);
                (void)a->m_instFreq.Load();
                (void)a->m_avgFreq.Load();
                break;
            case 7:
                a->EndPump();
                ASSERT_FALSE(a->m_thread.Exists());
                break;
            default:
                a->StartTone();
                break;
        }
    }
    a->CloseCapture();
    EXPECT_FALSE(a->m_thread.Exists());
    EXPECT_FALSE(a->Overlapped());
    EXPECT_FALSE(card->InputOpen());
    EXPECT_GT(a->CycleCount(), 0);
    RecordProperty("rounds", rounds);
}

}  // namespace
