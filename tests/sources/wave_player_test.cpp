#include "sources/wave_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "../support/deadline.h"
#include "platform/devices/wave_error_text.h"
#include "source_test_support.h"

namespace {

using namespace sources_test;

constexpr int kN = CTremorAnalyzer::kBlockSize;

// A bare playback channel whose cycles a test can script: something to do before a fetch, and
// a stop after a number of cycles so that a channel at the card's immediate pace does not run on.
class ScriptedPlayer : public CWavePlayer {
public:
    std::function<void(int)> beforeFetch;
    int stopAfter = 1;

    ~ScriptedPlayer() override { EndRun(); }

    int FetchBlock() override {
        const int index = ++m_fetches;
        if (beforeFetch) beforeFetch(index);
        const int result = CWavePlayer::FetchBlock();
        if (index >= stopAfter) m_stop = 1;
        std::lock_guard<std::mutex> guard(m_lock);
        m_done = index;
        m_changed.notify_all();
        return result;
    }

    bool WaitForFetches(int count, std::chrono::milliseconds timeout = 20s) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] { return m_done >= count; });
    }
    int Fetches() const { return m_fetches; }

    void Fill(int buffer, std::int16_t first) {
        for (int i = 0; i < kPlayBufferSamples; ++i)
            m_playBuffers[buffer][i] = static_cast<std::int16_t>(first + i);
    }
    std::vector<std::int16_t> Played(int buffer) const {
        return std::vector<std::int16_t>(m_playBuffers[buffer], m_playBuffers[buffer] + kN);
    }

private:
    std::atomic<int> m_fetches{0};
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_done = 0;
};

class WavePlayerTest : public SourceTest {};

std::vector<std::string> OpenCalls() {
    return {"waveOutGetDevCaps", "sleep 100", "waveOutOpen", "waveOutPrepareHeader",
            "waveOutWrite"};
}

std::vector<std::string> CycleCalls() {
    return {"waveOutUnprepareHeader", "waveOutPrepareHeader", "waveOutWrite"};
}

TEST_F(WavePlayerTest, ConstructionGivesTheInitialValues) {
    auto p = std::make_unique<ScriptedPlayer>();
    EXPECT_EQ(p->m_blockSize, 4096);
    EXPECT_EQ(p->m_sampleRate, 11025);
    EXPECT_EQ(p->m_bufferIndex, 0);
    EXPECT_EQ(p->m_stop, 0);
    EXPECT_EQ(p->m_event.load(), nullptr);
    EXPECT_FALSE(p->m_thread.Exists());
    EXPECT_EQ(p->m_hWaveOut, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(p->m_headers[i].data, p->m_playBuffers[i]);
        EXPECT_EQ(p->m_headers[i].bufferLength, 8192u);
    }
}

TEST_F(WavePlayerTest, OpenPlaybackQueuesBufferZeroThenTheCyclesAlternateWithoutAnalysing) {
    auto p = std::make_unique<ScriptedPlayer>();
    p->Fill(0, 1000);
    p->Fill(1, -2000);
    p->stopAfter = 3;
    ASSERT_EQ(p->OpenPlayback(), 0);
    ASSERT_TRUE(p->WaitForFetches(3));
    test_deadline::JoinWithin(p->m_thread, "the playback pump");

    std::vector<std::string> expected = OpenCalls();
    for (int c = 0; c < 3; ++c)
        for (const std::string& call : CycleCalls()) expected.push_back(call);
    EXPECT_EQ(Trace(), expected);
    // The unprepare of header 1, never prepared before, is no error.
    EXPECT_TRUE(Messages().empty());
    // Buffer 0 at the open, then 0, 1, 0: each cycle replays the other buffer unchanged.
    const auto written = card->WrittenBuffers();
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], p->Played(0));
    EXPECT_EQ(written[1], p->Played(0));
    EXPECT_EQ(written[2], p->Played(1));
    EXPECT_EQ(written[3], p->Played(0));
    EXPECT_EQ(p->m_bufferIndex, 0);
    // Nothing analysed.
    EXPECT_EQ(p->m_blockCount, 1u);
    EXPECT_EQ(p->m_instFreq, 0.0);

    ASSERT_NE(p->m_event.load(), nullptr);
    EXPECT_EQ(p->m_event.load()->Name(), "WaveOutThreadEvent");
    EXPECT_EQ(p->m_format.formatTag, 1);
    EXPECT_EQ(p->m_format.channels, 1);
    EXPECT_EQ(p->m_format.samplesPerSec, 11025u);
    EXPECT_EQ(p->m_format.avgBytesPerSec, 22050u);
    EXPECT_EQ(p->m_format.blockAlign, 2);
    EXPECT_EQ(p->m_format.bitsPerSample, 16);
    EXPECT_EQ(p->m_format.extraSize, 0);
}

TEST_F(WavePlayerTest, NoOutputDeviceSaysSoAndStartsNothing) {
    card->SetOutputDeviceCount(0);
    auto p = std::make_unique<ScriptedPlayer>();
    EXPECT_EQ(p->OpenPlayback(), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"No Sound Output Device"}));
    EXPECT_EQ(p->m_event.load(), nullptr);
    EXPECT_FALSE(p->m_thread.Exists());
    EXPECT_TRUE(card->Calls().empty());
}

TEST_F(WavePlayerTest, ACapabilitiesFailureIsReportedAndTheOpenGoesOn) {
    card->FailCall("waveOutGetDevCaps", 2, 1);
    auto p = std::make_unique<ScriptedPlayer>();
    EXPECT_EQ(p->OpenPlayback(), 0);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Sound output Cannot determine card capabilities !"}));
    ASSERT_TRUE(p->WaitForFetches(1));
    EXPECT_EQ(card->WrittenBuffers().size(), 2u);
}

TEST_F(WavePlayerTest, EachOpenErrorCodeHasItsMessageAndTheUnreleasedPumpIsDiscarded) {
    const std::vector<std::pair<platform::MMRESULT, std::string>> table{
        {2, " Specified device identifier is out of range. "},
        {4, "Specified resource is already allocated."},
        {6, "No device driver is present."},
        {7, "Unable to allocate or lock memory."},
        {32, "Attempted to open with an unsupported waveform-audio format."},
        {35,
         "The device is synchronous but waveOutOpen was called without using the WAVE_ALLOWSYNC "
         "flag."},
        {1, ""},
        {3, ""},
        {5, ""},
        {33, ""},
    };
    for (const auto& [code, text] : table) {
        SCOPED_TRACE(code);
        ClearTrace();
        ClearMessages();
        auto p = std::make_unique<ScriptedPlayer>();
        card->FailCall("waveOutOpen", code, 1);
        EXPECT_EQ(p->OpenPlayback(), static_cast<std::int32_t>(code));
        // A code without a text of its own gets the waveform-audio layer's, never an empty box.
        const std::string shown = text.empty() ? platform::WaveErrorText(code) : text;
        EXPECT_EQ(MessageTexts(), (std::vector<std::string>{shown}));
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(CWavePlayer::OpenErrorText(code), text);
        EXPECT_EQ(Trace(),
                  (std::vector<std::string>{"waveOutGetDevCaps", "sleep 100", "waveOutOpen"}));
        EXPECT_FALSE(p->m_thread.Exists());
        EXPECT_EQ(p->Fetches(), 0);
        EXPECT_FALSE(card->OutputOpen());
    }
}

TEST_F(WavePlayerTest, FailuresQueueingBufferZeroAreReportedAndNothingPlays) {
    struct Case {
        const char* call;
        platform::MMRESULT code;
        std::int32_t result;
        const char* message;
    };
    const std::vector<Case> cases{
        {"waveOutPrepareHeader", 7, 7, " Sound Output Cannot Prepare Header !"},
        {"waveOutPrepareHeader", 0, 0, " Sound Output Cannot Prepare Header !"},
        {"waveOutWrite", 5, 5, " Sound Output Cannot Write Buffer !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.code));
        ClearTrace();
        ClearMessages();
        auto p = std::make_unique<ScriptedPlayer>();
        card->FailCall(c.call, c.code, 1);
        EXPECT_EQ(p->OpenPlayback(), c.result);
        EXPECT_EQ(MessageTexts(), (std::vector<std::string>{c.message}));
        EXPECT_FALSE(p->m_thread.Exists());
        EXPECT_EQ(p->Fetches(), 0);
        // The device stays open until the channel is closed.
        EXPECT_TRUE(card->OutputOpen());
        p->ClosePlayback();
        EXPECT_FALSE(card->OutputOpen());
    }
}

TEST_F(WavePlayerTest, EachUnprepareErrorCodeHasItsMessageAndTheBufferIsNotWritten) {
    const std::vector<std::pair<platform::MMRESULT, std::string>> table{
        {5, "Specified device handle is invalid."},
        {6, "No device driver is present. "},
        {7, "Unable to allocate or lock memory."},
        {33, "The data block pointed to by the pwh parameter is still in the queue. "},
        {1, ""},
        {2, ""},
        {34, ""},
    };
    for (const auto& [code, text] : table) {
        SCOPED_TRACE(code);
        ClearTrace();
        ClearMessages();
        const std::size_t writtenBefore = card->WrittenBuffers().size();
        auto p = std::make_unique<ScriptedPlayer>();
        p->beforeFetch = [&, code = code](int index) {
            if (index == 1) card->FailCall("waveOutUnprepareHeader", code, 1);
        };
        ASSERT_EQ(p->OpenPlayback(), 0);
        ASSERT_TRUE(p->WaitForFetches(1));
        test_deadline::JoinWithin(p->m_thread, "the playback pump");
        const std::string shown = text.empty() ? platform::WaveErrorText(code) : text;
        EXPECT_EQ(MessageTexts(), (std::vector<std::string>{shown}));
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(CWavePlayer::UnprepareErrorText(code), text);
        std::vector<std::string> expected = OpenCalls();
        expected.push_back("waveOutUnprepareHeader");
        EXPECT_EQ(Trace(), expected);
        EXPECT_EQ(card->WrittenBuffers().size(), writtenBefore + 1);  // buffer 0 only
    }
}

TEST_F(WavePlayerTest, PrepareAndWriteFailuresInACycleAreReportedAndTheCycleGoesOn) {
    struct Case {
        const char* call;
        platform::MMRESULT code;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases{
        // An unprepared buffer cannot be written either.
        {"waveOutPrepareHeader",
         7,
         {"Sound output Cannot Prepare Header !", "Sound output Cannot Add Buffer !"}},
        {"waveOutPrepareHeader",
         0,
         {"Sound output Cannot Prepare Header !", "Sound output Cannot Add Buffer !"}},
        {"waveOutWrite", 5, {"Sound output Cannot Add Buffer !"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.call) + " " + std::to_string(c.code));
        ClearTrace();
        ClearMessages();
        auto p = std::make_unique<ScriptedPlayer>();
        p->beforeFetch = [&](int index) {
            if (index == 1) card->FailCall(c.call, c.code, 1);
        };
        ASSERT_EQ(p->OpenPlayback(), 0);
        ASSERT_TRUE(p->WaitForFetches(1));
        test_deadline::JoinWithin(p->m_thread, "the playback pump");
        EXPECT_EQ(MessageTexts(), c.messages);
        std::vector<std::string> expected = OpenCalls();
        for (const std::string& call : CycleCalls()) expected.push_back(call);
        EXPECT_EQ(Trace(), expected);
    }
}

TEST_F(WavePlayerTest, ClosePlaybackPausesStopsThenClosesAndASecondCloseMakesNoDeviceCall) {
    auto p = std::make_unique<ScriptedPlayer>();
    ASSERT_EQ(p->OpenPlayback(), 0);
    ASSERT_TRUE(p->WaitForFetches(1));
    ClearTrace();
    p->ClosePlayback();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"waveOutPause", "sleep 50", "sleep 50",
                                                 "waveOutReset", "waveOutClose"}));
    EXPECT_FALSE(p->m_thread.Exists());
    ASSERT_NE(p->m_hWaveOut, nullptr);
    EXPECT_TRUE(p->m_hWaveOut->IsClosed());
    EXPECT_FALSE(card->OutputOpen());

    ClearTrace();
    p->m_stop = 0;
    p->m_event.load()->Clear();
    p->ClosePlayback();
    EXPECT_EQ(Trace(), (std::vector<std::string>{"sleep 50", "sleep 50"}));
    EXPECT_EQ(p->m_stop, 1);
    EXPECT_TRUE(p->m_event.load()->IsSignalled());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WavePlayerTest, ClosePlaybackOfARunningChannelEndsThePumpBeforeTheDeviceCloses) {
    auto p = std::make_unique<ScriptedPlayer>();
    p->stopAfter = 1 << 30;
    ASSERT_EQ(p->OpenPlayback(), 0);
    ASSERT_TRUE(p->WaitForFetches(5));
    p->ClosePlayback();
    EXPECT_FALSE(p->m_thread.Exists());
    const std::vector<std::string> calls = card->Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "waveOutReset");
    EXPECT_EQ(calls[calls.size() - 1], "waveOutClose");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "waveOutPause"), 1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WavePlayerTest, OpeningAnAbandonedChannelClosesTheOldDeviceFirst) {
    auto p = std::make_unique<ScriptedPlayer>();
    p->stopAfter = 1 << 30;
    ASSERT_EQ(p->OpenPlayback(), 0);
    ASSERT_TRUE(p->WaitForFetches(2));
    p->SignalStop();  // a command stops the channel without closing it
    ClearTrace();
    const int before = p->Fetches();
    ASSERT_EQ(p->OpenPlayback(), 0);
    const std::vector<std::string> trace = Trace();
    const auto caps = std::find(trace.begin(), trace.end(), "waveOutGetDevCaps");
    ASSERT_NE(caps, trace.end());
    ASSERT_GE(caps - trace.begin(), 2);
    EXPECT_EQ(*(caps - 2), "waveOutReset");
    EXPECT_EQ(*(caps - 1), "waveOutClose");
    ASSERT_TRUE(p->WaitForFetches(before + 2));
    EXPECT_TRUE(card->OutputOpen());
    p->ClosePlayback();
    EXPECT_FALSE(card->OutputOpen());
}

TEST_F(WavePlayerTest, ResetClearsOnlyThePlayedPartOfBothBuffers) {
    auto p = std::make_unique<ScriptedPlayer>();
    p->Fill(0, 1);
    p->Fill(1, 2);
    p->UpdateStatistics(100.0, 10.0);
    p->Reset();
    for (int b = 0; b < 2; ++b) {
        EXPECT_TRUE(std::all_of(p->m_playBuffers[b], p->m_playBuffers[b] + kN,
                                [](std::int16_t v) { return v == 0; }));
        EXPECT_EQ(p->m_playBuffers[b][kN], static_cast<std::int16_t>(1 + b + kN));
    }
    EXPECT_EQ(p->m_blockCount, 2u);  // not the core's reset
}

}  // namespace
