#include "platform/sleep.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {
namespace {

std::mutex g_hookLock;
SleepHook g_hook;

}  // namespace

void SleepMilliseconds(int milliseconds) {
    SleepHook hook;
    {
        std::lock_guard<std::mutex> guard(g_hookLock);
        hook = g_hook;
    }
    if (hook) {
        hook(milliseconds);
        return;
    }
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void SetSleepHook(SleepHook hook) {
    std::lock_guard<std::mutex> guard(g_hookLock);
    g_hook = std::move(hook);
}

}  // namespace platform
