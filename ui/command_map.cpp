#include "ui/command_map.h"

namespace kavrin {
namespace {

// The probe mark: a command event whose client data is this address.
char g_probeTag;

}  // namespace

bool IsCommandProbe(const wxEvent& event) {
    const auto* command = dynamic_cast<const wxCommandEvent*>(&event);
    return command && command->GetClientData() == &g_probeTag;
}

bool IsCommandHandled(wxEvtHandler& start, int toolkitId) {
    wxCommandEvent probe(wxEVT_MENU, toolkitId);
    probe.SetClientData(&g_probeTag);
    return start.ProcessEvent(probe);
}

}  // namespace kavrin
