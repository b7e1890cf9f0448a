#include "sources/block_hand_off.h"

void CBlockHandOff::Attach(CBlockSink* sink) {
    m_sink.store(sink);
}

void CBlockHandOff::Detach() {
    // Sequentially consistent on both sides: a pump that counted itself in before this store
    // is seen below; one that counts itself in after it reads no sink.
    m_sink.store(nullptr);
    for (int inFlight = m_inFlight.load(); inFlight != 0; inFlight = m_inFlight.load())
        m_inFlight.wait(inFlight);
}

bool CBlockHandOff::Hand(const std::int16_t* block, std::size_t count) {
    m_inFlight.fetch_add(1);
    CBlockSink* sink = m_sink.load();
    if (sink != nullptr) sink->TakeBlock(block, count);
    // A futex wake, which never blocks, for a Detach that may be waiting.
    if (m_inFlight.fetch_sub(1) == 1) m_inFlight.notify_all();
    return sink != nullptr;
}
