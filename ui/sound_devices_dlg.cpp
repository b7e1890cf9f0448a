#include "ui/sound_devices_dlg.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include <algorithm>
#include <utility>

#include "ui/dialog_units.h"

namespace kavrin {
namespace {

// Lists as tall as six entries and wide enough for a typical ALSA card's name; longer names
// widen the dialog.
constexpr int kListRows = 6;
constexpr int kListWidthUnits = 200;
constexpr int kRowPaddingPixels = 8;

wxString Label(const platform::SoundDeviceId& device) {
    // Device names are the sound system's bytes; invalid UTF-8 shows as replacement characters.
    return wxString::FromUTF8Unchecked(platform::SoundDeviceLabel(device));
}

wxListBox* AddList(wxWindow* parent, wxSizer* column, const char* caption,
                   const std::vector<platform::SoundDeviceId>& devices,
                   const platform::SoundDeviceId& chosen, const DialogUnits& u) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, parent, caption);
    auto* list = new wxListBox(box->GetStaticBox(), wxID_ANY);
    list->Append(Label(platform::SoundDeviceId{}));
    for (const platform::SoundDeviceId& device : devices) list->Append(Label(device));
    const auto found = platform::FindSoundDevice(devices, chosen);
    list->SetSelection(found ? static_cast<int>(*found) + 1 : 0);
    int widest = u.X(kListWidthUnits);
    for (unsigned i = 0; i < list->GetCount(); ++i)
        widest = std::max(widest, list->GetTextExtent(list->GetString(i)).x + u.X(16));
    // The toolkit pads each row by a few pixels whatever the font's size.
    const int rowHeight = list->GetCharHeight() + kRowPaddingPixels;
    list->SetMinSize(wxSize(widest, rowHeight * kListRows));
    box->Add(list, 1, wxEXPAND | wxALL, u.X(3));
    column->Add(box, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, u.X(7));
    return list;
}

platform::SoundDeviceId Selected(const wxListBox* list,
                                 const std::vector<platform::SoundDeviceId>& devices) {
    const int selection = list->GetSelection();
    if (selection <= 0 || static_cast<std::size_t>(selection) > devices.size()) return {};
    return devices[static_cast<std::size_t>(selection) - 1];
}

}  // namespace

CSoundDevicesDlg::CSoundDevicesDlg(wxWindow* parent, std::vector<platform::SoundDeviceId> inputs,
                                   std::vector<platform::SoundDeviceId> outputs,
                                   const platform::SoundDeviceId& input,
                                   const platform::SoundDeviceId& output)
    : wxDialog(parent, wxID_ANY, "Sound Devices", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER),
      m_inputs(std::move(inputs)),
      m_outputs(std::move(outputs)) {
    SetFont(DialogFont(*this));
    const DialogUnits u = DialogUnits::ForWindow(*this);
    auto* column = new wxBoxSizer(wxVERTICAL);
    m_inputList = AddList(this, column, "Input", m_inputs, input, u);
    m_outputList = AddList(this, column, "Output", m_outputs, output, u);
    wxStdDialogButtonSizer* buttons = CreateStdDialogButtonSizer(wxOK | wxCANCEL);
    column->Add(buttons, 0, wxEXPAND | wxALL, u.X(7));
    SetSizerAndFit(column);
    CentreOnParent();
}

platform::SoundDeviceId CSoundDevicesDlg::Input() const {
    return Selected(m_inputList, m_inputs);
}

platform::SoundDeviceId CSoundDevicesDlg::Output() const {
    return Selected(m_outputList, m_outputs);
}

}  // namespace kavrin
