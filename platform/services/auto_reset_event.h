// A named auto-reset event: one Set() releases one Wait(), after which the event is unsignalled
// again. Sound drivers, stoppers and the tone re-arm signal it; the block pump waits on it.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class WaitResult { Signalled, Abandoned };

// Told each time a pending signal is taken (or cleared away), so that a driver holding its next
// notification back can sleep until then instead of looking again and again. Called on the
// waiter's thread with the event's lock held: it must neither block nor touch the event.
class SignalTakenWatcher {
public:
    virtual ~SignalTakenWatcher() = default;
    virtual void SignalTaken() = 0;
};

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
    // Tells the watcher of every signal taken from now on, until Unwatch or until the watcher
    // is gone (it is held weakly, so an event that outlives it needs no Unwatch).
    void Watch(std::weak_ptr<SignalTakenWatcher> watcher);
    // Once it returns, the watcher is told nothing more.
    void Unwatch(const SignalTakenWatcher* watcher);

private:
    void TellWatchers();  // with m_lock held

    std::string m_name;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled = false;
    bool m_abandoned = false;
    int m_queued = 0;  // signals given by SetQueued while one was pending
    std::vector<std::weak_ptr<SignalTakenWatcher>> m_watchers;
};

}  // namespace platform
