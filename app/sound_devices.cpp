#include "app/sound_devices.h"

#include <wx/frame.h>
#include <wx/statusbr.h>

#include <string>
#include <vector>

#include "platform/devices/sound_device_choice.h"
#include "platform/portaudio/portaudio_devices.h"
#include "ui/sound_devices_dlg.h"
#include "ui/string_table.h"

namespace kavrin {

bool ChooseSoundDevices(wxFrame* parent) {
    using platform::SoundDirection;
    CSoundDevicesDlg dialog(parent, platform::ListSoundDevices(SoundDirection::In),
                            platform::ListSoundDevices(SoundDirection::Out),
                            platform::ChosenSoundDevice(SoundDirection::In),
                            platform::ChosenSoundDevice(SoundDirection::Out));
    if (dialog.ShowModal() != wxID_OK) return false;
    platform::SetChosenSoundDevice(SoundDirection::In, dialog.Input());
    platform::SetChosenSoundDevice(SoundDirection::Out, dialog.Output());
    return true;
}

CSoundDeviceNotes::CSoundDeviceNotes(wxFrame* frame) : m_frame(frame) {
    // Told on the thread that opens, with PortAudio's lock held: the pane is written later, on
    // the user-interface thread, by the frame's own queue (dropped with the frame).
    platform::SetSoundDeviceFallbackHook(
        [this, frame](platform::SoundDirection direction, const platform::SoundDeviceId& gone) {
            const wxString note =
                wxString::FromUTF8Unchecked(platform::SoundDeviceFallbackNote(direction, gone));
            frame->CallAfter([this, note] { Show(note); });
        });
}

CSoundDeviceNotes::~CSoundDeviceNotes() {
    platform::SetSoundDeviceFallbackHook(nullptr);
}

void CSoundDeviceNotes::Show(const wxString& note) {
    if (!m_frame || !m_frame->GetStatusBar()) return;
    // The status bar gives the message pane room for the note with its text.
    m_frame->SetStatusText(note, 0);
    m_shown = note;
}

void CSoundDeviceNotes::ClearNote() {
    if (m_shown.empty()) return;
    if (m_frame && m_frame->GetStatusBar() && m_frame->GetStatusBar()->GetStatusText(0) == m_shown)
        m_frame->SetStatusText(wxString(LoadString(AFX_IDS_IDLEMESSAGE)), 0);
    m_shown.clear();
}

}  // namespace kavrin
