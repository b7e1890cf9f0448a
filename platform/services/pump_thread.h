// A worker thread that is created "suspended": its body runs only after Resume(). A thread that
// is never resumed can be discarded without running its body. Owned and joined by its starter,
// so nothing outlives the object that it works on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

enum class ThreadPriority { Normal, TimeCritical };

// Whether TimeCritical is asked for at all (yes by default). A batch tool turns it off: its
// pumps feed no sound device, and a real-time thread per job would starve the whole machine.
void AllowTimeCriticalThreads(bool allowed);

class PumpThread {
public:
    PumpThread() = default;
    PumpThread(const PumpThread&) = delete;
    PumpThread& operator=(const PumpThread&) = delete;
    // Discards a suspended thread and joins a running one.
    ~PumpThread();

    // Creates the thread, suspended. Any earlier thread must have been joined or discarded.
    void Create(std::function<void()> body, ThreadPriority priority);
    // Releases a suspended thread; does nothing otherwise.
    void Resume();
    // Ends a never-resumed thread without running its body and joins it.
    void Discard();
    // Waits until the thread has ended. On the user-interface thread, message boxes raised by
    // the worker meanwhile are shown, so a worker waiting for the user cannot deadlock the join;
    // a worker waiting for a box already up (the join runs inside its loop) stops waiting.
    void Join();
    // Waits at most the limit for the body to end, dispatching nothing; true once it has ended
    // (or no thread exists). Lets a caller give up on a thread that never ends.
    bool WaitFinished(std::chrono::milliseconds limit) const;

    bool Exists() const { return m_thread.joinable(); }
    bool Finished() const { return m_gate && m_gate->finished.load(); }
    bool IsCurrentThread() const;

private:
    struct Gate {
        std::mutex lock;
        std::condition_variable opened;
        bool released = false;
        bool discarded = false;
        std::atomic<bool> finished{false};
        std::mutex finishLock;
        std::condition_variable finishedSignal;
    };

    std::thread m_thread;
    std::shared_ptr<Gate> m_gate;
};

}  // namespace platform
