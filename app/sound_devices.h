// The window's side of the sound-device choice: Input > "Sound Devices..." lists what PortAudio
// can open and sets the choice for the next Line On and File; a chosen device that is not found
// when one of them opens is said in the message pane.
#pragma once

#include <wx/string.h>
#include <wx/weakref.h>

class wxFrame;

namespace kavrin {

// Shows the dialog over `parent`; OK makes its choices the ones the next Line On and File open.
// A run in progress goes on with the device it opened.
// The lists are PortAudio's devices as found when it started in this process (its first Line On,
// File or this dialog): PortAudio takes its list of devices only then.
// Returns whether the choice was confirmed.
bool ChooseSoundDevices(wxFrame* parent);

// While it lives, a chosen device that is not found puts its note in `frame`'s message pane
// (pane 0). The pane is narrow beside the source pane, made for "Ready": while it holds a note
// the two share their room equally (the whole note shows as the pane's tooltip when cut short).
// Made and destroyed on the user-interface thread.
class CSoundDeviceNotes {
public:
    explicit CSoundDeviceNotes(wxFrame* frame);
    ~CSoundDeviceNotes();
    CSoundDeviceNotes(const CSoundDeviceNotes&) = delete;
    CSoundDeviceNotes& operator=(const CSoundDeviceNotes&) = delete;

    // A new choice makes the last note stale: the pane says "Ready" again if it still shows it.
    void ClearNote();

private:
    void Show(const wxString& note);

    wxWeakRef<wxFrame> m_frame;
    wxString m_shown;
};

}  // namespace kavrin
