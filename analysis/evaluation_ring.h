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
#include <type_traits>
#include <utility>

#include "analysis/signal_quality.h"
#include "platform/services/single_producer_ring.h"

enum class EvaluationSource : std::uint8_t { Line = 0, Tone = 1, File = 2 };

// The lamp of an evaluation, as the tick that followed it judged it.
enum class EvaluationLamp : std::uint8_t { None = 0, Red = 1, Yellow = 2, Green = 3 };

struct EvaluationRecord {
    double timeSeconds = 0.0;  // end of the block that this evaluation shifted in, signal time
    double instFreq = 0.0;
    double avgFreq = 0.0;
    double minFreq = 0.0;
    double maxFreq = 0.0;
    double magnitude = 0.0;
    double avgMagnitude = 0.0;
    std::uint32_t block = 0;    // evaluations counted from 1 in this session
    std::uint32_t session = 0;  // the analyzer's session number, from 1
    std::uint32_t threshold = 0;
    std::int32_t underThreshold = 0;
    EvaluationSource source = EvaluationSource::Line;
    // Of the block this evaluation shifted in, when the analyzer measures it
    // (EnableSignalQuality); else voicedShare stays NaN.
    SignalQuality quality;
    // Filled in on the user-interface thread, not by the pump.
    EvaluationLamp lamp = EvaluationLamp::None;
    std::int32_t lampReference = 0;
    double timelineSeconds = 0.0;  // position on the whole log's time axis
};

// Copied into raw storage (an implicit-lifetime type).
static_assert(std::is_trivially_copyable_v<EvaluationRecord> &&
              std::is_trivially_destructible_v<EvaluationRecord>);

class CEvaluationRing {
public:
    // Rows between two ticks: the tone runs at a few thousand blocks a second, a tick comes
    // every 200 ms.
    static constexpr std::size_t kCapacity = 8192;

    CEvaluationRing() : m_rows(kCapacity) {}
    CEvaluationRing(const CEvaluationRing&) = delete;
    CEvaluationRing& operator=(const CEvaluationRing&) = delete;

    // Pump side. False when the ring was full and the row was lost.
    bool Push(const EvaluationRecord& record) noexcept {
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
    platform::SingleProducerRing<EvaluationRecord> m_rows;
    alignas(64) std::atomic<std::uint64_t> m_lost{0};
};
