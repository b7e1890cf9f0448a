// The road from a capture pump to a block sink (a recording), and the guarantee that ending it
// is final: once Detach returns, no block handed over before it is still on its way, so the
// sink may be stopped and started again without a stale block opening its next recording.
//
// The pump never waits: Hand counts itself in, reads the sink, hands the block over and counts
// itself out. Only Detach waits, for a hand-off already in flight, and a sink's TakeBlock never
// blocks, so that wait is short. (A lock held across the hand-off would do the same, but the
// pump could then block behind the user-interface thread.)
//
// Threads: Attach and Detach on one controlling thread (the user-interface thread); Hand on the
// pump.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "sources/block_sink.h"

class CBlockHandOff {
public:
    CBlockHandOff() = default;
    CBlockHandOff(const CBlockHandOff&) = delete;
    CBlockHandOff& operator=(const CBlockHandOff&) = delete;

    // The sink receives the blocks handed over from now on. It must outlive its Detach.
    void Attach(CBlockSink* sink);
    // No block reaches the sink any more, none is being handed to it: waits out a hand-off in
    // flight. Harmless when nothing is attached.
    void Detach();
    bool IsAttached() const { return m_sink.load() != nullptr; }

    // Pump: gives the block to the attached sink, if any; returns whether one took it.
    bool Hand(const std::int16_t* block, std::size_t count);

private:
    std::atomic<CBlockSink*> m_sink{nullptr};
    std::atomic<int> m_inFlight{0};
};
