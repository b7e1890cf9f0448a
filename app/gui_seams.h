// The window's side of the library's seams: message boxes shown as modal Kavrin message boxes
// (icon beside the text) on the user-interface thread, and the open-file dialog of the file
// source as the toolkit's file dialog.
#pragma once

#include <wx/string.h>

#include "platform/services/open_file_dialog.h"

namespace kavrin {

// Makes the calling (user-interface) thread the message thread. Messages raised on a pump are
// queued for it and shown from its event loop; the pump waits until they are dismissed.
void InstallGuiSeams();
// Back to the library's defaults: pending messages are flushed, so no pump keeps waiting.
void RemoveGuiSeams();

// The dialog's wildcard: the label, then the preset name's pattern in every upper/lower-case
// spelling, since the toolkit's patterns match case-sensitively ("*.WAV" lists .wav and .Wav
// too).
wxString OpenFileWildcard(const platform::OpenFileRequest& request);

}  // namespace kavrin
