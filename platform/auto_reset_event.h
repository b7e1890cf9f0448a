// A named auto-reset event: one Set() releases one Wait(), after which the event is unsignalled
// again. Sound drivers, stoppers and the tone re-arm signal it; the block pump waits on it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>

namespace platform {

enum class WaitResult { Signalled, Abandoned };

class AutoResetEvent {
public:
    // Created not signalled. The name is kept for diagnostics only.
    explicit AutoResetEvent(std::string name);
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;
    ~AutoResetEvent();

    const std::string& Name() const { return m_name; }

    // Any thread, never blocks for long: safe from a sound callback.
    void Set();
    // A signal that never merges with one not yet taken: it waits in line and is given the
    // moment a waiter takes the one before it, on that waiter's thread. Lets a driver notify in
    // the calling thread without a thread of its own to hold notifications back.
    void SetQueued();
    // Back to not signalled, nothing in line; used before a new pump starts on a reused event.
    void Clear();
    // Blocks without a time limit until the event is signalled, then unsignals it.
    // Returns Abandoned only once Abandon() was called (the event is going away).
    WaitResult Wait();
    // Wakes every waiter with Abandoned, now and for all later waits.
    void Abandon();
    // Whether a signal is pending (nobody has taken it yet). For drivers that must not let two
    // notifications merge into one, such as the simulated sound card.
    bool IsSignalled();

private:
    std::string m_name;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled = false;
    bool m_abandoned = false;
    int m_queued = 0;  // signals given by SetQueued while one was pending
};

}  // namespace platform
