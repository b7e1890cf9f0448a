#include "platform/devices/simulated_sound_card.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/wave_test_support.h"

namespace {

using namespace std::chrono_literals;
using platform::AutoResetEvent;
using platform::SimulatedSoundCard;
using platform::WaitResult;
using platform::WaveHeader;

using wave_test::Buffer;
using wave_test::Format;
using wave_test::kBlock;
using wave_test::Take;
using wave_test::Watchdog;

// A short look for something that must not happen; nothing can be awaited for an absence.
void GiveTheCardAChance() {
    std::this_thread::sleep_for(30ms);
}

std::unique_ptr<platform::WaveInDevice> OpenIn(SimulatedSoundCard& card, AutoResetEvent& event) {
    std::unique_ptr<platform::WaveInDevice> device;
    EXPECT_EQ(card.OpenInput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
    return device;
}

std::unique_ptr<platform::WaveOutDevice> OpenOut(SimulatedSoundCard& card, AutoResetEvent& event) {
    std::unique_ptr<platform::WaveOutDevice> device;
    EXPECT_EQ(card.OpenOutput(0, Format(), &event, &device), platform::MMSYSERR_NOERROR);
    return device;
}

TEST(SimulatedSoundCard, StartsWithOneDeviceEachWayAndReportsCapabilities) {
    auto card = std::make_shared<SimulatedSoundCard>();
    EXPECT_EQ(card->GetInputDeviceCount(), 1u);
    EXPECT_EQ(card->GetOutputDeviceCount(), 1u);
    platform::WaveInCaps inCaps;
    EXPECT_EQ(card->GetInputCaps(0, &inCaps), platform::MMSYSERR_NOERROR);
    EXPECT_FALSE(inCaps.name.empty());
    platform::WaveOutCaps outCaps;
    EXPECT_EQ(card->GetOutputCaps(0, &outCaps), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(card->GetOutputCaps(1, &outCaps), platform::MMSYSERR_BADDEVICEID);

    card->SetInputDeviceCount(0);
    card->SetOutputDeviceCount(0);
    EXPECT_EQ(card->GetInputDeviceCount(), 0u);
    EXPECT_EQ(card->GetOutputDeviceCount(), 0u);
    AutoResetEvent event("WaveInThreadEvent");
    std::unique_ptr<platform::WaveInDevice> device;
    EXPECT_EQ(card->OpenInput(0, Format(), &event, &device), platform::MMSYSERR_BADDEVICEID);
    EXPECT_EQ(device, nullptr);
    EXPECT_FALSE(card->InputOpen());
}

TEST(SimulatedSoundCard, LogsEveryDeviceCallInOrderIncludingFailedOnes) {
    SimulatedSoundCard card;
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    card.GetInputDeviceCount();  // counts are not calls on a device
    platform::WaveInCaps caps;
    card.GetInputCaps(0, &caps);
    auto in = OpenIn(card, event);
    Buffer buffer;
    in->PrepareHeader(&buffer.header);
    card.FailCall("waveInAddBuffer", platform::MMSYSERR_NOMEM, 1);
    EXPECT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOMEM);
    in->AddBuffer(&buffer.header);
    in->Start();
    in->Stop();
    in->Reset();
    in->UnprepareHeader(&buffer.header);
    in->Close();
    EXPECT_EQ(in->Start(), platform::MMSYSERR_INVALHANDLE);

    AutoResetEvent outEvent("WaveOutThreadEvent");
    platform::WaveOutCaps outCaps;
    card.GetOutputCaps(0, &outCaps);
    auto out = OpenOut(card, outEvent);
    out->PrepareHeader(&buffer.header);
    out->Write(&buffer.header);
    out->Pause();
    out->Reset();
    out->UnprepareHeader(&buffer.header);
    out->Close();

    const std::vector<std::string> expected = {
        "waveInGetDevCaps", "waveInOpen",           "waveInPrepareHeader",
        "waveInAddBuffer",  "waveInAddBuffer",      "waveInStart",
        "waveInStop",       "waveInReset",          "waveInUnprepareHeader",
        "waveInClose",      "waveInStart",          "waveOutGetDevCaps",
        "waveOutOpen",      "waveOutPrepareHeader", "waveOutWrite",
        "waveOutPause",     "waveOutReset",         "waveOutUnprepareHeader",
        "waveOutClose"};
    EXPECT_EQ(card.Calls(), expected);
    card.ClearCalls();
    EXPECT_TRUE(card.Calls().empty());
}

TEST(SimulatedSoundCard, SignalsTheOpenAndTheCloseOnceEach) {
    SimulatedSoundCard card;
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(card, event);
    EXPECT_TRUE(card.InputOpen());
    EXPECT_FALSE(card.OutputOpen());
    ASSERT_TRUE(Take(event));  // the open notification
    EXPECT_FALSE(in->IsClosed());
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_TRUE(in->IsClosed());
    EXPECT_FALSE(card.InputOpen());
    EXPECT_TRUE(event.IsSignalled());  // the close, given before Close returned
    ASSERT_TRUE(Take(event));
    GiveTheCardAChance();
    EXPECT_FALSE(event.IsSignalled());  // and nothing after it
}

TEST(SimulatedSoundCard, InjectedFailuresHitTheNamedCallTheGivenNumberOfTimes) {
    SimulatedSoundCard card;
    AutoResetEvent event("e");
    Watchdog watchdog(event);
    card.FailCall("waveInOpen", platform::MMSYSERR_ALLOCATED, 1);
    std::unique_ptr<platform::WaveInDevice> in;
    EXPECT_EQ(card.OpenInput(0, Format(), &event, &in), platform::MMSYSERR_ALLOCATED);
    EXPECT_EQ(in, nullptr);
    EXPECT_FALSE(card.InputOpen());
    GiveTheCardAChance();
    EXPECT_FALSE(event.IsSignalled());  // a failed open signals nothing
    in = OpenIn(card, event);           // the failure was used up
    ASSERT_NE(in, nullptr);

    Buffer buffer;
    ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    card.FailCall("waveInAddBuffer", platform::MMSYSERR_NOMEM, 2);
    EXPECT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOMEM);
    EXPECT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOMEM);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED);  // a failed call changes nothing
    EXPECT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);

    card.FailCall("waveInStart", 99);  // every call from now on
    EXPECT_EQ(in->Start(), 99u);
    EXPECT_EQ(in->Start(), 99u);
    card.ClearFailures();
    EXPECT_EQ(in->Start(), platform::MMSYSERR_NOERROR);

    card.FailCall("waveInClose", platform::MMSYSERR_INVALHANDLE, 1);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_INVALHANDLE);
    EXPECT_FALSE(in->IsClosed());
    EXPECT_TRUE(card.InputOpen());
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
}

TEST(SimulatedSoundCard, PrepareToldToFailWithZeroSucceedsButLeavesTheHeaderUnprepared) {
    SimulatedSoundCard card;
    AutoResetEvent event("e");
    auto out = OpenOut(card, event);
    Buffer buffer;
    card.FailCall("waveOutPrepareHeader", platform::MMSYSERR_NOERROR, 1);
    EXPECT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, 0u);
    EXPECT_EQ(out->Write(&buffer.header), platform::WAVERR_UNPREPARED);
    EXPECT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED);
    out->Close();
}

TEST(SimulatedSoundCard, ImmediateCaptureReturnsExactlyTheGivenSamplesInBufferOrder) {
    auto card = std::make_shared<SimulatedSoundCard>();
    std::vector<std::int16_t> samples(kBlock * 5);
    std::iota(samples.begin(), samples.end(), std::int16_t{-10000});
    card->SetCaptureSamples(samples);
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(*card, event);
    Buffer buffers[2];
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    ASSERT_TRUE(Take(event));  // open

    std::vector<std::int16_t> got;
    for (int block = 0; block < 5; ++block) {
        ASSERT_TRUE(Take(event));
        Buffer& done = buffers[block % 2];
        ASSERT_TRUE(done.header.flags & platform::WHDR_DONE) << "block " << block;
        ASSERT_FALSE(done.header.flags & platform::WHDR_INQUEUE);
        ASSERT_EQ(done.header.bytesRecorded, kBlock * 2u);
        got.insert(got.end(), done.data.begin(), done.data.end());
        ASSERT_EQ(in->UnprepareHeader(&done.header), platform::MMSYSERR_NOERROR);
        done.header.flags = 0;
        ASSERT_EQ(in->PrepareHeader(&done.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(&done.header), platform::MMSYSERR_NOERROR);
    }
    EXPECT_EQ(got, samples);
    EXPECT_EQ(card->CapturedBufferCount(), 5u);
    EXPECT_TRUE(card->WaitForCapturedBuffers(5, 0ms));
    EXPECT_FALSE(card->WaitForCapturedBuffers(6, 10ms));

    // The samples have run out: the queued buffers wait until Reset returns them empty.
    GiveTheCardAChance();
    EXPECT_FALSE(event.IsSignalled());
    EXPECT_EQ(in->Reset(), platform::MMSYSERR_NOERROR);
    for (Buffer& buffer : buffers) {
        ASSERT_TRUE(Take(event));
        EXPECT_TRUE(buffer.header.flags & platform::WHDR_DONE);
        EXPECT_EQ(buffer.header.bytesRecorded, 0u);
    }
    EXPECT_EQ(card->CapturedBufferCount(), 5u);
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
}

TEST(SimulatedSoundCard, CaptureWaitsForStartAndStopsOnStop) {
    SimulatedSoundCard card;
    card.SetCaptureSamples(std::vector<std::int16_t>(kBlock * 4, 7));
    AutoResetEvent event("e");
    Watchdog watchdog(event);
    auto in = OpenIn(card, event);
    ASSERT_TRUE(Take(event));
    Buffer buffer;
    in->PrepareHeader(&buffer.header);
    in->AddBuffer(&buffer.header);
    GiveTheCardAChance();
    EXPECT_EQ(card.CapturedBufferCount(), 0u);  // not started
    in->Start();
    ASSERT_TRUE(Take(event));
    EXPECT_EQ(buffer.data[0], 7);
    in->Stop();
    in->AddBuffer(&buffer.header);
    GiveTheCardAChance();
    EXPECT_EQ(card.CapturedBufferCount(), 1u);  // stopped
    in->Start();
    ASSERT_TRUE(Take(event));
    EXPECT_EQ(card.CapturedBufferCount(), 2u);
    in->Close();
}

TEST(SimulatedSoundCard, NotificationsComeOneAtATimeAndNeverMerge) {
    SimulatedSoundCard card;
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(card, event);
    Buffer buffers[3];
    for (Buffer& buffer : buffers) {
        ASSERT_EQ(out->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
    }
    // Nothing completes while the open notification is still untaken.
    GiveTheCardAChance();
    EXPECT_EQ(card.PlayedBufferCount(), 0u);
    ASSERT_TRUE(Take(event));  // open
    // The first buffer completes; the next waits until that notification has been taken. The
    // headers are read only after the signal, which publishes them.
    GiveTheCardAChance();
    EXPECT_EQ(card.PlayedBufferCount(), 1u);
    EXPECT_TRUE(event.IsSignalled());
    EXPECT_TRUE(buffers[0].header.flags & platform::WHDR_DONE);
    EXPECT_FALSE(buffers[1].header.flags & platform::WHDR_DONE);
    ASSERT_TRUE(Take(event));
    ASSERT_TRUE(Take(event));
    ASSERT_TRUE(Take(event));
    EXPECT_EQ(card.PlayedBufferCount(), 3u);
    for (Buffer& buffer : buffers) EXPECT_TRUE(buffer.header.flags & platform::WHDR_DONE);
    GiveTheCardAChance();
    EXPECT_FALSE(event.IsSignalled());
    out->Close();
}

TEST(SimulatedSoundCard, PauseStopsPlaybackAndCloseReturnsTheQueuedBuffer) {
    SimulatedSoundCard card;
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(card, event);
    ASSERT_TRUE(Take(event));
    out->Pause();
    Buffer buffer;
    out->PrepareHeader(&buffer.header);
    out->Write(&buffer.header);
    GiveTheCardAChance();
    EXPECT_EQ(card.PlayedBufferCount(), 0u);
    EXPECT_FALSE(event.IsSignalled());
    EXPECT_EQ(out->UnprepareHeader(&buffer.header), platform::WAVERR_STILLPLAYING);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_EQ(buffer.header.flags, platform::WHDR_PREPARED | platform::WHDR_DONE);
    EXPECT_TRUE(Take(event));  // the close
    EXPECT_FALSE(card.OutputOpen());
}

TEST(SimulatedSoundCard, RecordsTheSamplesOfEveryWrittenBufferInOrder) {
    SimulatedSoundCard card;
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(card, event);
    ASSERT_TRUE(Take(event));
    Buffer first(kBlock, 1), second(100, -2);
    first.data[17] = 1234;
    out->PrepareHeader(&first.header);
    out->PrepareHeader(&second.header);
    out->Write(&first.header);
    out->Write(&second.header);
    ASSERT_TRUE(card.WaitForWrittenBuffers(2, 5s));
    EXPECT_FALSE(card.WaitForWrittenBuffers(3, 10ms));
    const auto written = card.WrittenBuffers();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], first.data);
    EXPECT_EQ(written[1], second.data);
    ASSERT_TRUE(Take(event));
    ASSERT_TRUE(Take(event));
    EXPECT_EQ(card.PlayedBufferCount(), 2u);
    out->Close();
}

TEST(SimulatedSoundCard, WithoutRecordingOnlyTheCountsAreKept) {
    SimulatedSoundCard card;
    card.SetRecording(false);
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(card, event);
    ASSERT_TRUE(Take(event));
    Buffer buffer(kBlock, 3);
    out->PrepareHeader(&buffer.header);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(out->Write(&buffer.header), platform::MMSYSERR_NOERROR);
        ASSERT_TRUE(Take(event));
    }
    EXPECT_EQ(card.WrittenBufferCount(), 3u);
    EXPECT_TRUE(card.WaitForWrittenBuffers(3, 10ms));
    EXPECT_TRUE(card.WrittenBuffers().empty());
    EXPECT_TRUE(card.Calls().empty());
    out->Close();
}

TEST(SimulatedSoundCard, RealTimePaceTakesTheBuffersLengthAndRunsBuffersBackToBack) {
    SimulatedSoundCard card;
    card.SetPace(SimulatedSoundCard::Pace::RealTime);
    AutoResetEvent event("WaveOutThreadEvent");
    Watchdog watchdog(event);
    auto out = OpenOut(card, event);
    ASSERT_TRUE(Take(event));
    Buffer buffers[3] = {Buffer(1103), Buffer(1103), Buffer(1103)};  // 0.1 s each
    const auto start = std::chrono::steady_clock::now();
    for (Buffer& buffer : buffers) {
        out->PrepareHeader(&buffer.header);
        out->Write(&buffer.header);
    }
    std::vector<double> doneAt;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Take(event));
        doneAt.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    EXPECT_GE(doneAt[0], 0.099);
    EXPECT_GE(doneAt[2], 0.299);
    EXPECT_LT(doneAt[2], 1.5);  // generous: the machine is shared
    EXPECT_EQ(card.PlayedBufferCount(), 3u);
    out->Close();
}

TEST(SimulatedSoundCard, RealTimeCaptureFillsAtTheSampleRate) {
    SimulatedSoundCard card;
    card.SetPace(SimulatedSoundCard::Pace::RealTime);
    card.SetCaptureSamples(std::vector<std::int16_t>(2205, 5));
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(card, event);
    ASSERT_TRUE(Take(event));
    Buffer buffer(2205);  // 0.2 s
    in->PrepareHeader(&buffer.header);
    in->AddBuffer(&buffer.header);
    const auto start = std::chrono::steady_clock::now();
    in->Start();
    ASSERT_TRUE(Take(event));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(took, 0.199);
    EXPECT_LT(took, 1.5);
    EXPECT_EQ(buffer.data, std::vector<std::int16_t>(2205, 5));
    in->Close();
}

TEST(SimulatedSoundCard, DestroyingTheCardEndsItsServiceAndLeavesDevicesClosed) {
    auto card = std::make_shared<SimulatedSoundCard>();
    AutoResetEvent event("e");
    auto out = OpenOut(*card, event);
    Buffer buffer;
    out->PrepareHeader(&buffer.header);
    out->Write(&buffer.header);
    card.reset();
    EXPECT_TRUE(out->IsClosed());
    EXPECT_EQ(out->Write(&buffer.header), platform::MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out->Close(), platform::MMSYSERR_INVALHANDLE);
}

TEST(SimulatedSoundCard, ADeviceDroppedWithoutCloseLeavesTheEventAlone) {
    SimulatedSoundCard card;
    AutoResetEvent event("e");
    Watchdog watchdog(event);
    auto in = OpenIn(card, event);
    ASSERT_TRUE(Take(event));
    in.reset();
    EXPECT_FALSE(card.InputOpen());
    GiveTheCardAChance();
    EXPECT_FALSE(event.IsSignalled());
    in = OpenIn(card, event);  // the card serves a new device afterwards
    EXPECT_TRUE(Take(event));
    in->Close();
}

// A pump on one thread and a controller on another, as the sources use the card: ThreadSanitizer
// checks the card's own locking here.
TEST(SimulatedSoundCard, ServesAPumpWhileAnotherThreadStopsAndClosesTheDevice) {
    SimulatedSoundCard card;
    card.SetCaptureSamples(std::vector<std::int16_t>(kBlock * 200, 3));
    AutoResetEvent event("WaveInThreadEvent");
    Watchdog watchdog(event);
    auto in = OpenIn(card, event);
    Buffer buffer;
    ASSERT_EQ(in->PrepareHeader(&buffer.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->AddBuffer(&buffer.header), platform::MMSYSERR_NOERROR);
    ASSERT_EQ(in->Start(), platform::MMSYSERR_NOERROR);
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread pump([&] {
        if (!Take(event)) return;  // open
        while (Take(event) && !stop) {
            std::vector<std::int16_t> copy(buffer.data);
            if (in->UnprepareHeader(&buffer.header) != platform::MMSYSERR_NOERROR) continue;
            buffer.header.flags = 0;
            in->PrepareHeader(&buffer.header);
            in->AddBuffer(&buffer.header);
            in->Start();
            ++blocks;
        }
    });
    ASSERT_TRUE(card.WaitForCapturedBuffers(20, 10s));
    in->Stop();
    in->Reset();  // the pump hands the buffer back and starts again
    ASSERT_TRUE(card.WaitForCapturedBuffers(30, 10s));
    (void)card.Calls();
    stop = true;
    event.Set();
    pump.join();
    EXPECT_EQ(in->Close(), platform::MMSYSERR_NOERROR);
    EXPECT_GE(blocks.load(), 20);
}

}  // namespace
