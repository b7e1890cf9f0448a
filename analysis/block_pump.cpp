#include "analysis/block_pump.h"

int BlockPump(CTremorAnalyzer& analyzer, PumpMembers members, void* analyzeArgument,
              PumpKind kind) {
    if (kind == PumpKind::Device) {
        // The device's open notification; no block belongs to it.
        platform::AutoResetEvent* event = members.event.load();
        if (event == nullptr || event->Wait() != platform::WaitResult::Signalled) return 0;
        if (members.stop != 0) return 0;
    }
    for (;;) {
        platform::AutoResetEvent* event = members.event.load();
        if (event == nullptr || event->Wait() != platform::WaitResult::Signalled) return 0;
        if (members.stop != 0) return 0;
        analyzer.FetchBlock();
        analyzer.Analyze(analyzeArgument);
        if (members.stop != 0) return 0;
    }
}

void SignalStop(PumpMembers members) {
    members.stop = 1;
    if (platform::AutoResetEvent* event = members.event.load()) event->Set();
}

void EndBlockPump(PumpMembers members) {
    if (!members.thread.Exists()) return;
    if (members.thread.IsCurrentThread()) return;
    members.thread.Discard();
    SignalStop(members);
    members.thread.Join();
}

void StartBlockPump(CTremorAnalyzer& analyzer, PumpMembers members,
                    std::unique_ptr<platform::AutoResetEvent>& eventOwner, const char* eventName,
                    void* analyzeArgument, PumpKind kind, platform::ThreadPriority priority) {
    EndBlockPump(members);
    if (!eventOwner) {
        eventOwner = std::make_unique<platform::AutoResetEvent>(eventName);
    } else {
        eventOwner->Clear();
    }
    members.event = eventOwner.get();
    members.stop = 0;
    members.thread.Create([&analyzer, members, analyzeArgument,
                           kind] { BlockPump(analyzer, members, analyzeArgument, kind); },
                          priority);
}
