// Deadlines for tests that wait on other threads: a fault that would hang the suite fails it
// with a message instead.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <source_location>
#include <string>
#include <thread>

namespace test_deadline {

constexpr std::chrono::seconds kLimit(10);

// Runs onTimeout on its own thread when the limit passes before the alarm is destroyed; the
// action must release whatever the test waits on, so that the test goes on and fails.
class Alarm {
public:
    Alarm(std::chrono::milliseconds limit, std::function<void()> onTimeout)
        : m_thread([this, limit, onTimeout = std::move(onTimeout)] {
              std::unique_lock<std::mutex> guard(m_lock);
              if (m_changed.wait_for(guard, limit, [this] { return m_done; })) return;
              m_fired = true;
              guard.unlock();
              onTimeout();
          }) {}
    Alarm(const Alarm&) = delete;
    Alarm& operator=(const Alarm&) = delete;
    ~Alarm() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    bool Fired() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_fired;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

// For a thread that neither ends nor may be abandoned (it works on the test's objects): report
// the failure and end the test binary, which the test run then counts as failed.
[[noreturn]] inline void FailAndExit(const std::string& message,
                                     std::source_location where = std::source_location::current()) {
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << message;
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

// Joins a thread that must end by itself (a std::thread, or anything with Join()); past the
// limit the test binary fails with a message instead of hanging until ctest's timeout.
template <class Thread>
void JoinWithin(Thread& thread, const std::string& what, std::chrono::milliseconds limit = kLimit,
                std::source_location where = std::source_location::current()) {
    Alarm alarm(limit, [&] {
        FailAndExit(what + " did not end within " + std::to_string(limit.count()) + " ms", where);
    });
    if constexpr (requires { thread.Join(); })
        thread.Join();
    else
        thread.join();
}

}  // namespace test_deadline
