#include "app/settings.h"

#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/file_names.h"
#include "platform/whole_file.h"

namespace kavrin {
namespace {

constexpr const char* kRecentFileGroup = "/Recent File List";
constexpr const char* kRecentFileEntry = "File%d";
constexpr const char* kPreviewPagesKey = "/Settings/PreviewPages";
constexpr const char* kDecodeAudioFilesKey = "/Settings/DecodeAudioFiles";
constexpr const char* kDevicesGroup = "/Devices/";

wxString DeviceKey(platform::SoundDirection direction) {
    return wxString(kDevicesGroup) +
           (direction == platform::SoundDirection::In ? "Input" : "Output");
}
wxString HostApiKey(platform::SoundDirection direction) {
    return DeviceKey(direction) + "HostApi";
}

wxString RecentFileKey(int number) {
    return wxString(kRecentFileGroup) + "/" + wxString::Format(kRecentFileEntry, number);
}

std::unique_ptr<wxFileConfig> ConfigFromBytes(
    const std::string& bytes,
    const std::function<std::unique_ptr<wxFileConfig>(wxInputStream&)>& make) {
    // A corrupt file only loses what cannot be read; nothing is reported. The parser's own
    // consistency checks (a group given twice, an entry without a name) would raise the
    // toolkit's assertion box over a file the parser then reads anyway: they are off meanwhile.
    wxLogNull quiet;
    const wxAssertHandler_t previous = wxSetAssertHandler(nullptr);
    wxMemoryInputStream stream(bytes.data(), bytes.size());
    auto config = make(stream);
    wxSetAssertHandler(previous);
    // Paths are kept as they are: a '$' in a file name is no variable.
    config->SetExpandEnvVars(false);
    return config;
}

// The settings read from, and written back to, a file this program handles itself: through
// symbolic links to their target, never blocking on a FIFO, atomically, and only when they
// changed. The toolkit's own file handling would replace a link by a file and leave temporary
// files behind where it cannot write.
class SettingsConfig final : public wxFileConfig {
public:
    SettingsConfig(wxInputStream& stream, std::string path, std::string original)
        : wxFileConfig(stream, wxConvUTF8),
          m_path(std::move(path)),
          m_original(std::move(original)) {}

    const std::string& Path() const { return m_path; }
    const std::string& Original() const { return m_original; }

private:
    std::string m_path;
    std::string m_original;
};

}  // namespace

wxString SettingsFilePath() {
    wxString base;
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || base.empty())
        base = wxFileName::GetHomeDir() + "/.config";
    return base + "/" + kVendorName + "/" + kAppName + ".conf";
}

std::unique_ptr<wxFileConfig> ParseSettings(const std::string& bytes) {
    return ConfigFromBytes(
        bytes, [](wxInputStream& stream) { return std::make_unique<wxFileConfig>(stream); });
}

std::unique_ptr<wxConfigBase> OpenSettings() {
    const std::string path = FileNameBytes(SettingsFilePath());
    std::string bytes;
    platform::ReadWholeFile(path, &bytes);
    return ConfigFromBytes(bytes, [&](wxInputStream& stream) {
        return std::make_unique<SettingsConfig>(stream, path, bytes);
    });
}

void CloseSettings(std::unique_ptr<wxConfigBase> config) {
    auto* settings = dynamic_cast<SettingsConfig*>(config.get());
    if (!settings) return;
    wxLogNull quiet;
    wxMemoryOutputStream stream;
    if (!settings->Save(stream)) return;
    std::string bytes(stream.GetLength(), '\0');
    stream.CopyTo(bytes.data(), bytes.size());
    if (bytes == settings->Original()) return;
    const std::string target = platform::FollowLinks(settings->Path());
    const wxFileName file(FileNameFromBytes(target.c_str()));
    if (!file.DirExists()) wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const std::string error = platform::ReplaceWholeFile(target, bytes);
    if (!error.empty())
        std::fprintf(stderr, "kavrin: the settings were not saved: %s\n", error.c_str());
}

void LoadRecentFiles(wxConfigBase& config, wxFileHistory& history) {
    // File1 is the most recent; the list is filled from the oldest so that it keeps the order.
    const int capacity = history.GetMaxFiles();
    for (int number = capacity; number >= 1; --number) {
        wxString path;
        if (config.Read(RecentFileKey(number), &path) && !path.empty())
            history.AddFileToHistory(path);
    }
}

void SaveRecentFiles(wxConfigBase& config, const wxFileHistory& history) {
    const int capacity = history.GetMaxFiles();
    const int count = static_cast<int>(history.GetCount());
    for (int number = 1; number <= capacity; ++number) {
        if (number <= count)
            config.Write(RecentFileKey(number), history.GetHistoryFile(number - 1));
        else
            config.DeleteEntry(RecentFileKey(number), false);
    }
}

int LoadPreviewPages(wxConfigBase& config) {
    long value = 0;
    if (!config.Read(kPreviewPagesKey, &value)) return 0;
    return static_cast<int>(value);
}

void SavePreviewPages(wxConfigBase& config, int previewPages) {
    if (previewPages != 0) config.Write(kPreviewPagesKey, static_cast<long>(previewPages));
}

bool LoadDecodeAudioFiles(wxConfigBase& config) {
    bool on = false;
    config.Read(kDecodeAudioFilesKey, &on, false);
    return on;
}

void SaveDecodeAudioFiles(wxConfigBase& config, bool on) {
    // Off is the default: nothing is written for it, as for the other settings.
    if (on)
        config.Write(kDecodeAudioFilesKey, true);
    else
        config.DeleteEntry(kDecodeAudioFilesKey, false);
}

platform::SoundDeviceId LoadSoundDevice(wxConfigBase& config, platform::SoundDirection direction) {
    // A device's name is the sound system's bytes, not always valid UTF-8: kept byte for byte
    // as file names are, and like them a C string.
    const auto bytes = [&config](const wxString& key) {
        wxString value;
        config.Read(key, &value);
        return std::string(FileNameBytes(value).c_str());
    };
    platform::SoundDeviceId device;
    device.name = bytes(DeviceKey(direction));
    if (!device.name.empty()) device.hostApi = bytes(HostApiKey(direction));
    return device;
}

void SaveSoundDevice(wxConfigBase& config, platform::SoundDirection direction,
                     const platform::SoundDeviceId& device) {
    if (device.IsSystemDefault()) {
        config.DeleteEntry(DeviceKey(direction), true);
        config.DeleteEntry(HostApiKey(direction), true);
        return;
    }
    config.Write(DeviceKey(direction), FileNameFromBytes(device.name.c_str()));
    config.Write(HostApiKey(direction), FileNameFromBytes(device.hostApi.c_str()));
}

}  // namespace kavrin
