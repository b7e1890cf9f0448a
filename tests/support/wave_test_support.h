// What the sound-device tests share: the PCM format the sources use, a sample buffer with its
// header, and a watchdog that turns a lost notification into a failure instead of a hang.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/devices/wave_audio.h"
#include "platform/services/auto_reset_event.h"

namespace wave_test {

constexpr int kBlock = 4096;

inline platform::WaveFormat Format() {
    return platform::PcmFormat(1, 11025, 16);
}

// A sample buffer with its header, set up the way the sources do before preparing.
struct Buffer {
    explicit Buffer(int samples = kBlock, std::int16_t fill = 0) : data(samples, fill) {
        header.data = data.data();
        header.bufferLength = static_cast<std::uint32_t>(data.size() * sizeof(std::int16_t));
    }
    // A copy's header would point at the original's samples; a move keeps them where they are.
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    Buffer(Buffer&&) noexcept = default;
    Buffer& operator=(Buffer&&) noexcept = default;
    std::vector<std::int16_t> data;
    platform::WaveHeader header;
};

// Abandons the event if the test has not finished in time.
class Watchdog {
public:
    explicit Watchdog(platform::AutoResetEvent& event,
                      std::chrono::seconds limit = std::chrono::seconds(30))
        : m_thread([this, &event, limit] {
              std::unique_lock<std::mutex> guard(m_lock);
              if (!m_changed.wait_for(guard, limit, [this] { return m_done; })) event.Abandon();
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

// Takes one notification; false when the watchdog gave up.
inline bool Take(platform::AutoResetEvent& event) {
    return event.Wait() == platform::WaitResult::Signalled;
}

}  // namespace wave_test
