// The application's settings file: the recent-file list ("Recent File List", File1..File4),
// "Settings"/"PreviewPages" and "Settings"/"DecodeAudioFiles", and the chosen sound devices
// ("Devices"), the frame's place ("Window"), kept under the vendor "Local AppWizard-Generated
// Applications" and the application "Kavrin" in the user's configuration folder. A missing,
// unreadable or corrupt file gives the defaults; a failure to write it is said in one line on
// standard error.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/devices/sound_device_choice.h"

class wxConfigBase;
class wxFileConfig;
class wxFileHistory;

namespace kavrin {

inline constexpr const char* kVendorName = "Local AppWizard-Generated Applications";
inline constexpr const char* kAppName = "Kavrin";

// $XDG_CONFIG_HOME (else ~/.config), then the vendor folder and "Kavrin.conf".
wxString SettingsFilePath();

// The settings as the window reads them from the bytes of a settings file.
std::unique_ptr<wxFileConfig> ParseSettings(const std::string& bytes);
// The bytes the window writes for `config` (NUL bytes of the file it was read from stay
// escaped); false when the toolkit cannot write them.
bool SettingsBytes(wxFileConfig& config, std::string* bytes);
// Opens the settings file (defaults when it is missing or corrupt).
std::unique_ptr<wxConfigBase> OpenSettings();
// Writes the settings back and closes them.
void CloseSettings(std::unique_ptr<wxConfigBase> config);

void LoadRecentFiles(wxConfigBase& config, wxFileHistory& history);
void SaveRecentFiles(wxConfigBase& config, const wxFileHistory& history);

// "Settings"/"PreviewPages", 0 when absent; written back only when it is not 0.
int LoadPreviewPages(wxConfigBase& config);
void SavePreviewPages(wxConfigBase& config, int previewPages);

// "Settings"/"DecodeAudioFiles": Input > "Decode Audio Files", off when absent.
bool LoadDecodeAudioFiles(wxConfigBase& config);
void SaveDecodeAudioFiles(wxConfigBase& config, bool on);

// "Settings"/"MinVoicedShare": Timeline > "Reading Quality...", the default when absent or
// outside 0..1; nothing is written for the default.
double LoadMinVoicedShare(wxConfigBase& config);
void SaveMinVoicedShare(wxConfigBase& config, double share);

// "Window"/"X", "Y", "Width", "Height", "Maximized" and "Timeline": where the frame was left and
// whether the timeline was shown. Nothing before the first exit: the first start keeps the
// designed size.
struct FrameSettings {
    std::optional<wxRect>
        rect;  // the frame's outer rectangle while it was neither maximized nor minimized
    bool maximized = false;
    bool timelineShown = false;
};
FrameSettings LoadFrameSettings(wxConfigBase& config);
void SaveFrameSettings(wxConfigBase& config, const FrameSettings& frame);

// "Devices"/"Input" and "InputHostApi" (or "Output" and "OutputHostApi"): Input > "Sound
// Devices...", the system default when absent; nothing is written for the system default.
platform::SoundDeviceId LoadSoundDevice(wxConfigBase& config, platform::SoundDirection direction);
void SaveSoundDevice(wxConfigBase& config, platform::SoundDirection direction,
                     const platform::SoundDeviceId& device);

}  // namespace kavrin
