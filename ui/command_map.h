// Command handling keyed by command ID, and the question the frame asks to enable its menu items
// and toolbar buttons: "would a command with this ID find a handler?".
//
// Every command handler is bound through BindCommand. The frame answers the question by sending a
// probe (a command event marked as such) along the real route (view, document, frame,
// application): a bound handler that receives a probe reports "handled" without running. So the
// enabling follows from the handlers that are bound, and nothing keeps a list of disabled IDs.
#pragma once

#include <wx/event.h>

#include "ui/command_ids.h"

namespace kavrin {

bool IsCommandProbe(const wxEvent& event);

// Binds a member function without arguments to a command on `source` (the event handler on the
// route: a view, a document, a frame or the application).
template <class Owner>
void BindCommand(wxEvtHandler& source, int commandId, Owner* owner, void (Owner::*handler)()) {
    source.Bind(
        wxEVT_MENU,
        [owner, handler](wxCommandEvent& event) {
            if (IsCommandProbe(event)) return;
            (owner->*handler)();
        },
        ToolkitId(commandId));
}

// One row of a class's command map.
template <class Owner>
struct CommandMapEntry {
    int commandId;
    void (Owner::*handler)();
};

template <class Owner, std::size_t N>
void BindCommandMap(wxEvtHandler& source, Owner* owner, const CommandMapEntry<Owner> (&map)[N]) {
    for (const CommandMapEntry<Owner>& entry : map)
        BindCommand(source, entry.commandId, owner, entry.handler);
}

// Sends a probe for the toolkit ID into `start` (normally the frame's event handler, from which
// commands travel the whole route) and tells whether some handler took it. Runs no handler.
bool IsCommandHandled(wxEvtHandler& start, int toolkitId);

}  // namespace kavrin
