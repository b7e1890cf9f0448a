#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/services/auto_reset_event.h"
#include "platform/services/message_box.h"
#include "platform/services/pump_thread.h"
#include "tests/support/deadline.h"

namespace {

TEST(AutoResetEvent, BeginsUnsignalledAndOneSetReleasesOneWait) {
    platform::AutoResetEvent event("WaveInThreadEvent");
    EXPECT_EQ(event.Name(), "WaveInThreadEvent");
    EXPECT_FALSE(event.IsSignalled());
    event.Set();
    event.Set();  // signals merge: still one wait's worth
    EXPECT_TRUE(event.IsSignalled());
    EXPECT_EQ(event.Wait(), platform::WaitResult::Signalled);
    EXPECT_FALSE(event.IsSignalled());

    std::atomic<bool> woke{false};
    std::thread waiter([&] {
        event.Wait();
        woke = true;
    });
    event.Set();
    test_deadline::JoinWithin(waiter, "a waiter released by Set");
    EXPECT_TRUE(woke);
}

TEST(AutoResetEvent, ClearDropsAPendingSignalAndAbandonReleasesWaiters) {
    platform::AutoResetEvent event("e");
    event.Set();
    event.Clear();
    EXPECT_FALSE(event.IsSignalled());
    std::thread waiter([&] { EXPECT_EQ(event.Wait(), platform::WaitResult::Abandoned); });
    event.Abandon();
    test_deadline::JoinWithin(waiter, "a waiter released by Abandon");
    EXPECT_EQ(event.Wait(), platform::WaitResult::Abandoned);
}

TEST(PumpThread, RunsItsBodyOnlyOnceResumed) {
    std::atomic<int> runs{0};
    platform::AutoResetEvent started("s");
    platform::PumpThread thread;
    thread.Create(
        [&] {
            ++runs;
            started.Set();
        },
        platform::ThreadPriority::TimeCritical);  // refused without rights: stays normal
    EXPECT_TRUE(thread.Exists());
    EXPECT_FALSE(started.IsSignalled());
    EXPECT_EQ(runs, 0);
    thread.Resume();
    test_deadline::JoinWithin(thread, "a resumed thread");
    EXPECT_TRUE(started.IsSignalled());
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(thread.Exists());
}

TEST(PumpThread, ANeverResumedThreadIsDiscardedWithoutRunning) {
    std::atomic<int> runs{0};
    {
        platform::PumpThread thread;
        thread.Create([&] { ++runs; }, platform::ThreadPriority::Normal);
        thread.Discard();
        thread.Resume();  // too late: a discarded thread never runs
        thread.Join();
    }
    {
        platform::PumpThread thread;  // destroyed while suspended
        thread.Create([&] { ++runs; }, platform::ThreadPriority::Normal);
    }
    EXPECT_EQ(runs, 0);
}

// A worker raising a message while the message thread joins it: the join shows the message
// instead of waiting forever for a worker that waits for the user.
TEST(MessageRouting, JoiningAWorkerThatWaitsOnAMessageDoesNotDeadlock) {
    std::vector<std::string> shown;
    std::thread::id shownOn;
    platform::SetMessagePresenter(
        [&](const std::string& text, platform::MessageIcon) {
            shown.push_back(text);
            shownOn = std::this_thread::get_id();
        },
        [] {});  // the "loop" is never run: only the join can dispatch
    platform::PumpThread worker;
    worker.Create([] { platform::ShowMessage("Cannot Add Buffer !"); },
                  platform::ThreadPriority::Normal);
    worker.Resume();
    {
        // A join that does not show the message would wait forever; at the deadline the alarm
        // removes the message thread, which releases the worker, so the join returns and fails.
        test_deadline::Alarm alarm(test_deadline::kLimit,
                                   [] { platform::SetMessagePresenter(nullptr); });
        worker.Join();
        EXPECT_FALSE(alarm.Fired()) << "the join did not show the worker's message within 10 s";
    }
    platform::SetMessagePresenter(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Cannot Add Buffer !");
    EXPECT_EQ(shownOn, std::this_thread::get_id());
}

TEST(MessageRouting, AWorkerWaitsUntilItsMessageIsDismissed) {
    std::atomic<int> presented{0};
    std::atomic<bool> workerReturned{false};
    platform::SetMessagePresenter([&](const std::string&, platform::MessageIcon) { ++presented; },
                                  [] {});
    std::thread worker([&] {
        platform::ShowMessage("No Sound Device");
        workerReturned = true;
    });
    // The worker cannot return before the message thread dispatches its message.
    while (presented == 0) {
        EXPECT_FALSE(workerReturned);
        platform::DispatchPendingMessages();
        std::this_thread::yield();
    }
    test_deadline::JoinWithin(worker, "a worker whose message was dismissed");
    EXPECT_TRUE(workerReturned);
    platform::SetMessagePresenter(nullptr);
}

TEST(MessageRouting, RemovingTheMessageThreadReleasesQueuedWorkers) {
    std::vector<std::string> shown;
    std::atomic<bool> queued{false};
    // The waker runs once the message is in the queue; nobody dispatches it.
    platform::SetMessagePresenter(
        [&](const std::string& text, platform::MessageIcon) { shown.push_back(text); },
        [&] { queued = true; });
    std::thread worker([] { platform::ShowMessage("late message"); });
    {
        // The alarm removes the message thread itself: the worker then ends, and the test fails.
        test_deadline::Alarm alarm(test_deadline::kLimit,
                                   [] { platform::SetMessagePresenter(nullptr); });
        while (!queued && !alarm.Fired()) std::this_thread::yield();
        ASSERT_FALSE(alarm.Fired()) << "the message was not queued within 10 s";
    }
    EXPECT_TRUE(shown.empty());
    // The window goes away: the queued worker must not wait forever (its text goes to stderr).
    platform::SetMessagePresenter(nullptr);
    test_deadline::JoinWithin(worker, "a worker whose message thread went away");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
