// A lock-free ring of 16-bit samples between exactly one producer thread and one consumer
// thread, for a sound callback that must neither block nor allocate. Positions count samples
// since the ring was made and never wrap in practice (64 bits).
//
// Producer side: Write, WritePosition. Consumer side: Read, Available, SkipTo, ReadPosition.
// ReadPosition and WritePosition may be read from any thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

class SampleRing {
public:
    // The capacity is rounded up to a power of two. Allocates here and nowhere else.
    explicit SampleRing(std::size_t capacity) {
        std::size_t size = 1;
        while (size < capacity) size *= 2;
        m_samples.resize(size);
    }
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    std::size_t Capacity() const { return m_samples.size(); }

    // Producer: appends up to `count` samples; returns how many fitted.
    std::size_t Write(const std::int16_t* samples, std::size_t count) {
        const std::uint64_t write = m_write.load(std::memory_order_relaxed);
        const std::uint64_t read = m_read.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, Capacity() - (write - read));
        for (std::size_t i = 0; i < n; ++i) m_samples[Index(write + i)] = samples[i];
        m_write.store(write + n, std::memory_order_release);
        return n;
    }

    // Consumer: takes up to `count` samples; returns how many it took.
    std::size_t Read(std::int16_t* samples, std::size_t count) {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, write - read);
        for (std::size_t i = 0; i < n; ++i) samples[i] = m_samples[Index(read + i)];
        m_read.store(read + n, std::memory_order_release);
        return n;
    }

    // Consumer: samples ready to be read.
    std::size_t Available() const {
        return m_write.load(std::memory_order_acquire) - m_read.load(std::memory_order_relaxed);
    }

    // Consumer: drops everything before `position` (a position the producer has published).
    void SkipTo(std::uint64_t position) {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        const std::uint64_t target = std::min(position, write);
        if (target > read) m_read.store(target, std::memory_order_release);
    }

    std::uint64_t ReadPosition() const { return m_read.load(std::memory_order_acquire); }
    std::uint64_t WritePosition() const { return m_write.load(std::memory_order_acquire); }

private:
    std::size_t Index(std::uint64_t position) const {
        return static_cast<std::size_t>(position & (Capacity() - 1));
    }

    std::vector<std::int16_t> m_samples;
    std::atomic<std::uint64_t> m_write{0};
    std::atomic<std::uint64_t> m_read{0};
};

}  // namespace platform
