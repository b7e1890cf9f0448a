#include "platform/services/auto_reset_event.h"

#include <utility>

namespace platform {

AutoResetEvent::AutoResetEvent(std::string name) : m_name(std::move(name)) {}

AutoResetEvent::~AutoResetEvent() = default;

void AutoResetEvent::Set() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_signalled = true;
    }
    m_changed.notify_one();
}

void AutoResetEvent::SetQueued() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_signalled) {
            ++m_queued;
            return;
        }
        m_signalled = true;
    }
    m_changed.notify_one();
}

void AutoResetEvent::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    const bool dropped = m_signalled;
    m_signalled = false;
    m_queued = 0;
    if (dropped) TellWatchers();
}

WaitResult AutoResetEvent::Wait() {
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait(guard, [this] { return m_signalled || m_abandoned; });
    if (m_abandoned) return WaitResult::Abandoned;
    TellWatchers();
    if (m_queued > 0) {
        // The next one in line becomes the pending signal.
        --m_queued;
        guard.unlock();
        m_changed.notify_one();
    } else {
        m_signalled = false;
    }
    return WaitResult::Signalled;
}

bool AutoResetEvent::IsSignalled() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_signalled;
}

void AutoResetEvent::Watch(std::weak_ptr<SignalTakenWatcher> watcher) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase_if(m_watchers, [](const auto& weak) { return weak.expired(); });
    m_watchers.push_back(std::move(watcher));
}

void AutoResetEvent::Unwatch(const SignalTakenWatcher* watcher) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase_if(m_watchers, [watcher](const auto& weak) {
        const auto held = weak.lock();
        return held == nullptr || held.get() == watcher;
    });
}

void AutoResetEvent::TellWatchers() {
    for (const auto& weak : m_watchers)
        if (const auto watcher = weak.lock()) watcher->SignalTaken();
}

void AutoResetEvent::Abandon() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_abandoned = true;
    }
    m_changed.notify_all();
}

}  // namespace platform
