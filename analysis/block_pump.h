// The block pump: the worker thread that drives one analyzer block by block. It sleeps on the
// analyzer's auto-reset event; each signal (a device buffer done, or the test tone's own re-arm)
// makes it fetch the next block and analyse it, until a stop signal (m_stop = 1, then the event).
//
// One pump serves an analyzer at a time: StartBlockPump first ends and joins the previous one.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "analysis/shared_value.h"
#include "analysis/tremor_analyzer.h"
#include "platform/services/auto_reset_event.h"
#include "platform/services/pump_thread.h"

// Device pumps first take the device's open notification; tone pumps start straight in the loop.
enum class PumpKind { Device, Tone };

// The per-source members of the pump protocol, named as in every pumped analyzer.
struct PumpMembers {
    std::atomic<platform::AutoResetEvent*>& event;  // null until the first start
    SharedValue<std::int32_t>& stop;
    platform::PumpThread& thread;
};

// The thread procedure. Returns 0.
int BlockPump(CTremorAnalyzer& analyzer, PumpMembers members, void* analyzeArgument, PumpKind kind);

// The stop signal: m_stop = 1, then signal the event (skipped while no event exists).
void SignalStop(PumpMembers members);

// Ends the pump that serves the analyzer (stop signal, then join) and discards a pump that was
// never released. Does nothing when no pump exists. Safe from the pump itself (no join).
void EndBlockPump(PumpMembers members);

// Starts a pump: ends the previous one, creates the named event on first use (a reused event
// is cleared, so every pump begins unsignalled), m_stop = 0, creates the thread suspended at the
// priority. The caller releases it with members.thread.Resume().
void StartBlockPump(CTremorAnalyzer& analyzer, PumpMembers members,
                    std::unique_ptr<platform::AutoResetEvent>& eventOwner, const char* eventName,
                    void* analyzeArgument, PumpKind kind, platform::ThreadPriority priority);
