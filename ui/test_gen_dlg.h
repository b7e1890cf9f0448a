// CTestGenDlg: the test-generator dialog (template 136), "Set test generator paramaters". Edits
// the tone's frequency (0..22000 Hz) and amplitude (0..32000). OK reads and checks the amplitude,
// then the frequency; a field that fails keeps the dialog open with the focus in it.
#pragma once

#include <wx/dialog.h>

#include <cstdint>

#include "ui/dialog_units.h"

class wxTextCtrl;

namespace kavrin {

class CTestGenDlg : public wxDialog {
public:
    explicit CTestGenDlg(wxWindow* parent = nullptr);

    // Filling the dialog writes both members into the edits, with no check.
    bool TransferDataToWindow() override;
    // OK: amplitude, then frequency, each read as an unsigned decimal and range-checked. On a
    // failure the message is shown, the failing edit gets the focus with its text selected, and
    // false keeps the dialog open with the members unchanged from that field on.
    bool TransferDataFromWindow() override;

    wxTextCtrl* FrequencyEdit() const { return m_frequencyEdit; }
    wxTextCtrl* AmplitudeEdit() const { return m_amplitudeEdit; }

    std::uint32_t m_amplitude = 0;
    std::uint32_t m_frequency = 0;

    static constexpr std::uint32_t kMaxAmplitude = 32000;
    static constexpr std::uint32_t kMaxFrequency = 22000;

private:
    // One field's exchange; false (after the message and the focus) when it fails.
    bool ExchangeField(wxTextCtrl* edit, std::uint32_t& value, std::uint32_t maximum);

    DialogUnits m_units;
    wxTextCtrl* m_frequencyEdit = nullptr;
    wxTextCtrl* m_amplitudeEdit = nullptr;
};

}  // namespace kavrin
