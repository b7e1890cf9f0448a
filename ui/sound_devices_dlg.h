// CSoundDevicesDlg: Input > "Sound Devices...". Two lists, the input devices and the output
// devices, each "System default" first and then the given devices as "name (host API)". It opens
// with the current choices selected (the system default where a choice is not listed); OK hands
// back the selections.
#pragma once

#include <wx/dialog.h>

#include <vector>

#include "platform/devices/sound_device_choice.h"

class wxListBox;

namespace kavrin {

class CSoundDevicesDlg : public wxDialog {
public:
    CSoundDevicesDlg(wxWindow* parent, std::vector<platform::SoundDeviceId> inputs,
                     std::vector<platform::SoundDeviceId> outputs,
                     const platform::SoundDeviceId& input, const platform::SoundDeviceId& output);

    // The selected devices (the system default for the first entry or no selection).
    platform::SoundDeviceId Input() const;
    platform::SoundDeviceId Output() const;

    wxListBox* InputList() const { return m_inputList; }
    wxListBox* OutputList() const { return m_outputList; }

private:
    wxListBox* m_inputList = nullptr;
    wxListBox* m_outputList = nullptr;
    std::vector<platform::SoundDeviceId> m_inputs;
    std::vector<platform::SoundDeviceId> m_outputs;
};

}  // namespace kavrin
