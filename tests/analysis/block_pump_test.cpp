#include "analysis/block_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <source_location>
#include <string>
#include <thread>

#include "tests/support/deadline.h"

namespace {

using namespace std::chrono_literals;

// An analyzer with the pump members, counting its cycles. FetchBlock can be held at a gate so
// a test can act while a block is in progress; in tone mode Analyze re-arms the pump as the live
// analyzer does.
struct CountingAnalyzer : CTremorAnalyzer {
    std::atomic<platform::AutoResetEvent*> m_event{nullptr};
    std::unique_ptr<platform::AutoResetEvent> m_eventOwner;
    platform::PumpThread m_thread;
    SharedValue<std::int32_t> m_stop{0};
    SharedValue<std::int32_t> m_toneMode{0};

    std::mutex lock;
    std::condition_variable changed;
    int fetched = 0;
    int analysed = 0;
    bool holdFetch = false;
    bool inFetch = false;
    void* lastArgument = nullptr;

    PumpMembers Members() { return PumpMembers{m_event, m_stop, m_thread}; }

    void Start(PumpKind kind) {
        StartBlockPump(*this, Members(), m_eventOwner, "TestEvent", &fetched, kind,
                       platform::ThreadPriority::Normal);
        m_thread.Resume();
    }

    int FetchBlock() override {
        std::unique_lock<std::mutex> guard(lock);
        ++fetched;
        inFetch = true;
        changed.notify_all();
        changed.wait(guard, [&] { return !holdFetch; });
        inFetch = false;
        return 0;
    }

    int Analyze(void* argument) override {
        if (m_toneMode != 0) {
            if (auto* e = m_event.load()) e->Set();
        }
        std::lock_guard<std::mutex> guard(lock);
        ++analysed;
        lastArgument = argument;
        changed.notify_all();
        return 1;
    }

    void Signal() { m_event.load()->Set(); }

    bool WaitFor(const std::function<bool()>& condition) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, 10s, condition);
    }

    ~CountingAnalyzer() override { EndBlockPump(Members()); }
};

// Waits until the pump has taken the pending signal (the event is free again). Nothing tells
// when a waiter takes a signal, so this looks repeatedly, up to the deadline.
bool SignalTaken(CountingAnalyzer& a) {
    const auto deadline = std::chrono::steady_clock::now() + test_deadline::kLimit;
    while (a.m_event.load()->IsSignalled()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the pump did not take its signal within 10 s";
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

// Waits for the pump to end after its stop, then joins it. A pump that is still running at the
// deadline fails the test; it works on the test's analyzer and cannot be left behind, so the
// binary ends there.
void ExpectPumpEnds(CountingAnalyzer& a, const std::string& when = "",
                    std::source_location where = std::source_location::current()) {
    if (!a.m_thread.WaitFinished(test_deadline::kLimit))
        test_deadline::FailAndExit("the pump did not end within 10 s of its stop" + when, where);
    a.m_thread.Join();
    EXPECT_FALSE(a.m_thread.Exists());
}

TEST(BlockPump, DevicePumpTakesTheOpenNotificationWithoutFetching) {
    CountingAnalyzer a;
    a.Start(PumpKind::Device);
    a.Signal();  // open notification
    // Wait until the pump has taken it: the event is free again.
    ASSERT_TRUE(SignalTaken(a));
    {
        std::lock_guard<std::mutex> guard(a.lock);
        EXPECT_EQ(a.fetched, 0);
    }
    a.Signal();
    ASSERT_TRUE(a.WaitFor([&] { return a.analysed == 1; }));
    EXPECT_EQ(a.fetched, 1);
    EXPECT_EQ(a.lastArgument, &a.fetched);
    SignalStop(a.Members());
    ExpectPumpEnds(a);
}

TEST(BlockPump, StopWhileWaitingEndsWithoutFetching) {
    CountingAnalyzer a;
    a.Start(PumpKind::Tone);
    SignalStop(a.Members());
    ExpectPumpEnds(a);
    EXPECT_EQ(a.fetched, 0);

    CountingAnalyzer device;
    device.Start(PumpKind::Device);
    device.Signal();
    ASSERT_TRUE(SignalTaken(device));
    SignalStop(device.Members());
    ExpectPumpEnds(device);
    EXPECT_EQ(device.fetched, 0);
}

TEST(BlockPump, StopDuringABlockFinishesThatBlock) {
    CountingAnalyzer a;
    a.holdFetch = true;
    a.Start(PumpKind::Tone);
    a.Signal();
    ASSERT_TRUE(a.WaitFor([&] { return a.inFetch; }));
    SignalStop(a.Members());
    {
        std::lock_guard<std::mutex> guard(a.lock);
        a.holdFetch = false;
    }
    a.changed.notify_all();
    ExpectPumpEnds(a);
    EXPECT_EQ(a.fetched, 1);
    EXPECT_EQ(a.analysed, 1);
}

TEST(BlockPump, ToneRearmsItselfAfterOneKick) {
    CountingAnalyzer a;
    a.m_toneMode = 1;
    a.Start(PumpKind::Tone);
    a.Signal();
    ASSERT_TRUE(a.WaitFor([&] { return a.analysed >= 50; }));
    a.m_toneMode = 0;
    SignalStop(a.Members());
    ExpectPumpEnds(a);
}

TEST(BlockPump, AStopIsNeverLostAgainstARearmingBlock) {
    // The stop that does not clear the tone flag first (closing the capture) must still end
    // the pump, wherever in the cycle it lands.
    for (int round = 0; round < 200; ++round) {
        CountingAnalyzer a;
        a.m_toneMode = 1;
        a.Start(PumpKind::Tone);
        a.Signal();
        ASSERT_TRUE(a.WaitFor([&] { return a.analysed >= 1 + round % 3; }));
        SignalStop(a.Members());
        ExpectPumpEnds(a, " in round " + std::to_string(round));
    }
}

TEST(BlockPump, ANewStartEndsAndJoinsThePreviousPump) {
    CountingAnalyzer a;
    a.m_toneMode = 1;
    a.Start(PumpKind::Tone);
    a.Signal();
    ASSERT_TRUE(a.WaitFor([&] { return a.analysed >= 3; }));
    a.m_toneMode = 0;
    a.Start(PumpKind::Tone);  // the first pump has ended when this returns
    int before;
    {
        std::lock_guard<std::mutex> guard(a.lock);
        before = a.analysed;
    }
    // The reused event begins unsignalled: nothing runs until the new pump is kicked.
    EXPECT_FALSE(a.m_event.load()->IsSignalled());
    a.Signal();
    ASSERT_TRUE(a.WaitFor([&] { return a.analysed == before + 1; }));
    SignalStop(a.Members());
    ExpectPumpEnds(a);
}

TEST(BlockPump, AStaleSignalIsNotTakenForTheNextOpenNotification) {
    CountingAnalyzer a;
    a.Start(PumpKind::Device);
    SignalStop(a.Members());
    ExpectPumpEnds(a);
    a.m_event.load()->Set();  // e.g. a late notification of the old device
    a.Start(PumpKind::Device);
    a.Signal();  // the new device's open notification
    ASSERT_TRUE(SignalTaken(a));
    {
        std::lock_guard<std::mutex> guard(a.lock);
        EXPECT_EQ(a.fetched, 0);
    }
    SignalStop(a.Members());
    ExpectPumpEnds(a);
}

TEST(BlockPump, StopBeforeAnyStartIsSkipped) {
    CountingAnalyzer a;
    SignalStop(a.Members());  // no event yet: nothing to signal, nothing breaks
    EXPECT_EQ(a.m_stop, 1);
    EndBlockPump(a.Members());
    EXPECT_FALSE(a.m_thread.Exists());
}

}  // namespace
