// The rows the pump leaves for the timeline: one record per evaluation, handed from the block
// pump to the user-interface thread through a bounded single-producer, single-consumer ring.
//
// Threads: Push runs only on the analyzer's pump (one producer at a time: a new pump starts
// only after the previous one was joined); Drain and the counters' readers run only on the
// user-interface thread. Push never blocks, allocates or locks: when the ring is full the row
// is dropped and counted.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "analysis/evaluation_row.h"
#include "platform/services/single_producer_ring.h"

class CEvaluationRing {
public:
    // Rows between two ticks: the tone runs at a few thousand blocks a second, a tick comes
    // every 200 ms.
    static constexpr std::size_t kCapacity = 8192;

    CEvaluationRing() : m_rows(kCapacity) {}
    CEvaluationRing(const CEvaluationRing&) = delete;
    CEvaluationRing& operator=(const CEvaluationRing&) = delete;

    // Pump side. False when the ring was full and the row was lost.
    bool Push(const EvaluationRow& record) noexcept {
        if (m_rows.Push(record)) return true;
        m_lost.fetch_add(1, std::memory_order_relaxed);
        return false;
    }

    // User-interface side: hands every waiting row to `take`, oldest first; returns how many.
    template <class Take>
    std::size_t Drain(Take&& take) {
        return m_rows.Drain(std::forward<Take>(take));
    }

    // Rows dropped because the ring was full, since the start.
    std::uint64_t Lost() const noexcept { return m_lost.load(std::memory_order_relaxed); }

private:
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the ring holds a power of two");
    platform::SingleProducerRing<EvaluationRow> m_rows;
    alignas(64) std::atomic<std::uint64_t> m_lost{0};
};
