#include "platform/services/sleep.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {
namespace {

// Never destroyed: the static analyzers pause during static destruction too.
struct HookSlot {
    std::mutex lock;
    SleepHook hook;
};

HookSlot& Slot() {
    static HookSlot* slot = new HookSlot;
    return *slot;
}

}  // namespace

void SleepMilliseconds(int milliseconds) {
    SleepHook hook;
    {
        std::lock_guard<std::mutex> guard(Slot().lock);
        hook = Slot().hook;
    }
    if (hook) {
        hook(milliseconds);
        return;
    }
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetSleepHook(SleepHook hook) {
    std::lock_guard<std::mutex> guard(Slot().lock);
    Slot().hook = std::move(hook);
}

}  // namespace platform
