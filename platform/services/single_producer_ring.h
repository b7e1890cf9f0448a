// A lock-free ring between exactly one producer thread and one consumer thread, for a sound
// callback or an analyzer's pump that must neither block, lock nor allocate. Positions count
// elements since the ring was made and never wrap in practice (64 bits).
//
// Producer side: Write, Push, WritePosition. Consumer side: Read, Drain, Available, SkipTo,
// ReadPosition. ReadPosition and WritePosition may be read from any thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

namespace platform {

template <class T>
class SingleProducerRing {
    // Copied into raw storage (an implicit-lifetime type).
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    // The capacity is rounded up to a power of two. Allocates here and nowhere else.
    explicit SingleProducerRing(std::size_t capacity)
        : m_mask(std::bit_ceil(std::max<std::size_t>(capacity, 1)) - 1),
          m_slots(static_cast<T*>(::operator new[](sizeof(T) * (m_mask + 1)))) {}
    SingleProducerRing(const SingleProducerRing&) = delete;
    SingleProducerRing& operator=(const SingleProducerRing&) = delete;

    std::size_t Capacity() const noexcept { return m_mask + 1; }

    // Producer: appends up to `count` elements; returns how many fitted.
    std::size_t Write(const T* items, std::size_t count) noexcept {
        const std::uint64_t write = m_write.load(std::memory_order_relaxed);
        const std::uint64_t read = m_read.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, Capacity() - (write - read));
        for (std::size_t i = 0; i < n; ++i) m_slots[Index(write + i)] = items[i];
        m_write.store(write + n, std::memory_order_release);
        return n;
    }

    // Producer: appends one element; false when the ring was full.
    bool Push(const T& item) noexcept { return Write(&item, 1) == 1; }

    // Consumer: takes up to `count` elements; returns how many it took.
    std::size_t Read(T* items, std::size_t count) noexcept {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        const std::size_t n = std::min<std::size_t>(count, write - read);
        for (std::size_t i = 0; i < n; ++i) items[i] = m_slots[Index(read + i)];
        m_read.store(read + n, std::memory_order_release);
        return n;
    }

    // Consumer: hands every waiting element to `take`, oldest first, in place; returns how many.
    template <class Take>
    std::size_t Drain(Take&& take) {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        for (std::uint64_t i = read; i != write; ++i) take(m_slots[Index(i)]);
        m_read.store(write, std::memory_order_release);
        return static_cast<std::size_t>(write - read);
    }

    // Consumer: elements ready to be read.
    std::size_t Available() const noexcept {
        return m_write.load(std::memory_order_acquire) - m_read.load(std::memory_order_relaxed);
    }

    // Consumer: drops everything before `position` (a position the producer has published).
    void SkipTo(std::uint64_t position) noexcept {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        const std::uint64_t target = std::min(position, write);
        if (target > read) m_read.store(target, std::memory_order_release);
    }

    std::uint64_t ReadPosition() const noexcept { return m_read.load(std::memory_order_acquire); }
    std::uint64_t WritePosition() const noexcept { return m_write.load(std::memory_order_acquire); }

private:
    std::size_t Index(std::uint64_t position) const noexcept {
        return static_cast<std::size_t>(position & m_mask);
    }

    // Raw storage, never cleared: a slot is read only after Write filled it, so a short run
    // touches only the pages it used (an analyzer per input starts in no time).
    struct Free {
        void operator()(T* slots) const noexcept { ::operator delete[](slots); }
    };
    const std::size_t m_mask;
    const std::unique_ptr<T[], Free> m_slots;
    // Producer and consumer positions on their own cache lines, so neither side slows the other.
    alignas(64) std::atomic<std::uint64_t> m_write{0};
    alignas(64) std::atomic<std::uint64_t> m_read{0};
};

}  // namespace platform
