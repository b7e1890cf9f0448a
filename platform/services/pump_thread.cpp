#include "platform/services/pump_thread.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <utility>

#include "platform/services/message_box.h"

namespace platform {
namespace {

std::atomic<bool> g_timeCriticalAllowed{true};

// Time-critical asks for the highest priority the process may have; where it is refused
// (an ordinary user without real-time rights) the thread quietly keeps normal priority.
void ApplyPriority(ThreadPriority priority) {
    if (priority != ThreadPriority::TimeCritical || !g_timeCriticalAllowed.load()) return;
    sched_param param{};
    param.sched_priority = sched_get_priority_max(SCHED_RR);
    if (param.sched_priority > 0) pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

}  // namespace

void AllowTimeCriticalThreads(bool allowed) {
    g_timeCriticalAllowed.store(allowed);
}

PumpThread::~PumpThread() {
    if (!m_thread.joinable()) return;
    Discard();
    Join();
}

void PumpThread::Create(std::function<void()> body, ThreadPriority priority) {
    if (m_thread.joinable()) {
        Discard();
        if (IsCurrentThread())
            m_thread.detach();  // it is ending right now; nothing of it runs past this call
        else
            Join();
    }
    auto gate = std::make_shared<Gate>();
    m_gate = gate;
    m_thread = std::thread([gate, priority, body = std::move(body)] {
        bool run;
        {
            std::unique_lock<std::mutex> guard(gate->lock);
            gate->opened.wait(guard, [&] { return gate->released || gate->discarded; });
            run = gate->released;
        }
        if (run) {
            ApplyPriority(priority);
            body();
        }
        {
            std::lock_guard<std::mutex> guard(gate->finishLock);
            gate->finished = true;
        }
        gate->finishedSignal.notify_all();
    });
}

void PumpThread::Resume() {
    if (!m_gate) return;
    {
        std::lock_guard<std::mutex> guard(m_gate->lock);
        if (m_gate->discarded) return;
        m_gate->released = true;
    }
    m_gate->opened.notify_all();
}

void PumpThread::Discard() {
    if (!m_gate) return;
    {
        std::lock_guard<std::mutex> guard(m_gate->lock);
        if (!m_gate->released) m_gate->discarded = true;
    }
    m_gate->opened.notify_all();
}

void PumpThread::Join() {
    if (!m_thread.joinable()) return;
    if (IsCurrentThread()) {
        // A pump that ends its own run (end of a file) cannot join itself; it is joined by the
        // next start or by the owner's destructor.
        return;
    }
    auto gate = m_gate;
    std::unique_lock<std::mutex> guard(gate->finishLock);
    while (!gate->finished) {
        if (IsMessageThread()) {
            guard.unlock();
            DispatchPendingMessages();
            ReleaseWorkersOfShownMessages();
            guard.lock();
            gate->finishedSignal.wait_for(guard, std::chrono::milliseconds(10));
        } else {
            gate->finishedSignal.wait(guard);
        }
    }
    guard.unlock();
    m_thread.join();
}

bool PumpThread::WaitFinished(std::chrono::milliseconds limit) const {
    if (!m_thread.joinable()) return true;
    std::unique_lock<std::mutex> guard(m_gate->finishLock);
    return m_gate->finishedSignal.wait_for(guard, limit, [&] { return m_gate->finished.load(); });
}

bool PumpThread::IsCurrentThread() const {
    return m_thread.joinable() && m_thread.get_id() == std::this_thread::get_id();
}

}  // namespace platform
