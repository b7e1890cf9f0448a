#include "app/settings.h"

#include <sys/stat.h>
#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "analysis/reading_validity.h"
#include "app/file_names.h"
#include "platform/services/whole_file.h"

namespace kavrin {
namespace {

constexpr const char* kRecentFileGroup = "/Recent File List";
constexpr const char* kRecentFileEntry = "File%d";
constexpr const char* kPreviewPagesKey = "/Settings/PreviewPages";
constexpr const char* kDecodeAudioFilesKey = "/Settings/DecodeAudioFiles";
constexpr const char* kMinVoicedShareKey = "/Settings/MinVoicedShare";
constexpr const char* kDevicesGroup = "/Devices/";
constexpr const char* kWindowGroup = "/Window/";

wxString DeviceKey(platform::SoundDirection direction) {
    return wxString(kDevicesGroup) +
           (direction == platform::SoundDirection::In ? "Input" : "Output");
}
wxString HostApiKey(platform::SoundDirection direction) {
    return DeviceKey(direction) + "HostApi";
}

// The longest value the window takes from the file: a file name or a device name is far
// shorter; a longer value is left in the file but not used, since the window would carry it
// into its menus and message pane.
constexpr std::size_t kMaxValueBytes = 4096;

// The settings file's bytes as the toolkit's strings: bytes that are no UTF-8 travel as
// private-use characters and come back as they were, so one foreign byte loses nothing.
const wxMBConv& SettingsConversion() {
    static const wxMBConvUTF8 conversion(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conversion;
}

// The toolkit reads and writes its lines as C strings: a NUL byte would end the file there.
// Each NUL travels as the overlong pair C0 80 (and a C0 byte as C0 81), both no UTF-8, so they
// pass the conversion as they are. The settings in memory are always in that form: values are
// turned back as they are read, escaped as they are written, and the file as it is saved, so a
// pair the file held of its own reads back as itself.
constexpr char kEscape = '\xC0';
std::string EscapeNul(const std::string& bytes) {
    if (bytes.find('\0') == std::string::npos && bytes.find(kEscape) == std::string::npos)
        return bytes;
    std::string escaped;
    escaped.reserve(bytes.size() + 16);
    for (const char byte : bytes) {
        if (byte == '\0' || byte == kEscape) {
            escaped += kEscape;
            escaped += byte == '\0' ? '\x80' : '\x81';
        } else {
            escaped += byte;
        }
    }
    return escaped;
}
std::string UnescapeNul(const std::string& bytes) {
    std::string plain;
    plain.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == kEscape && i + 1 < bytes.size() &&
            (bytes[i + 1] == '\x80' || bytes[i + 1] == '\x81')) {
            plain += bytes[i + 1] == '\x80' ? '\0' : kEscape;
            ++i;
        } else {
            plain += bytes[i];
        }
    }
    return plain;
}

// A value of the file as its bytes were (up to a NUL: file and device names are C strings), or
// false when it is absent or too long to be used (said once on standard error; the value stays in
// the file).
bool ReadValue(wxConfigBase& config, const wxString& key, wxString* value, bool note = true) {
    if (!config.Read(key, value)) return false;
    if (value->length() <= kMaxValueBytes) {
        if (value->find(FileNameFromBytes("\xC0")) != wxString::npos)
            *value = FileNameFromBytes(UnescapeNul(FileNameBytes(*value)).c_str());
        return true;
    }
    if (note)
        std::fprintf(stderr,
                     "kavrin: the setting %s is %zu characters long, more than %zu: not used\n",
                     static_cast<const char*>(key.utf8_str()), value->length(), kMaxValueBytes);
    value->clear();
    return false;
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
    const std::string escaped = EscapeNul(bytes);
    wxMemoryInputStream stream(escaped.data(), escaped.size());
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
    SettingsConfig(wxInputStream& stream, std::string path, std::string original, bool readable)
        : wxFileConfig(stream, SettingsConversion()),
          m_path(std::move(path)),
          m_original(std::move(original)),
          m_readable(readable) {}

    const std::string& Path() const { return m_path; }
    const std::string& Original() const { return m_original; }
    // False when a file is there that could not be read whole: it is never replaced.
    bool Readable() const { return m_readable; }

private:
    std::string m_path;
    std::string m_original;
    bool m_readable;
};

platform::SoundDeviceId ReadSoundDevice(wxConfigBase& config, platform::SoundDirection direction,
                                        bool note) {
    // A device's name is the sound system's bytes, not always valid UTF-8: kept byte for byte
    // as file names are, and like them a C string.
    const auto bytes = [&config, note](const wxString& key) {
        wxString value;
        ReadValue(config, key, &value, note);
        return FileNameBytes(value);
    };
    platform::SoundDeviceId device;
    device.name = bytes(DeviceKey(direction));
    if (!device.name.empty()) device.hostApi = bytes(HostApiKey(direction));
    return device;
}

}  // namespace

wxString SettingsFilePath() {
    wxString base;
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || base.empty())
        base = wxFileName::GetHomeDir() + "/.config";
    return base + "/" + kVendorName + "/" + kAppName + ".conf";
}

std::unique_ptr<wxFileConfig> ParseSettings(const std::string& bytes) {
    return ConfigFromBytes(bytes, [](wxInputStream& stream) {
        return std::make_unique<wxFileConfig>(stream, SettingsConversion());
    });
}

bool SettingsBytes(wxFileConfig& config, std::string* bytes) {
    wxMemoryOutputStream stream;
    if (!config.Save(stream, SettingsConversion())) return false;
    std::string escaped(stream.GetLength(), '\0');
    stream.CopyTo(escaped.data(), escaped.size());
    *bytes = UnescapeNul(escaped);
    return true;
}

std::unique_ptr<wxConfigBase> OpenSettings() {
    const std::string path = FileNameBytes(SettingsFilePath());
    std::string bytes;
    struct stat info {};
    // A regular file that is there but cannot be read whole (unreadable, too long) is never
    // replaced by the defaults.
    const bool readable = platform::ReadWholeFile(path, &bytes) ||
                          ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode);
    if (!readable)
        std::fprintf(stderr,
                     "kavrin: the settings in %s cannot be read; they are left as they are\n",
                     path.c_str());
    return ConfigFromBytes(bytes, [&](wxInputStream& stream) {
        return std::make_unique<SettingsConfig>(stream, path, bytes, readable);
    });
}

void CloseSettings(std::unique_ptr<wxConfigBase> config) {
    auto* settings = dynamic_cast<SettingsConfig*>(config.get());
    if (!settings || !settings->Readable()) return;
    wxLogNull quiet;
    std::string bytes;
    if (!SettingsBytes(*settings, &bytes)) return;
    if (bytes == settings->Original()) return;
    const std::string target = platform::FollowLinks(settings->Path());
    const wxFileName file(FileNameFromBytes(target.c_str()));
    if (!file.DirExists()) wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const std::string error = platform::ReplaceWholeFile(target, bytes);
    if (!error.empty())
        std::fprintf(stderr, "kavrin: the settings were not saved: %s\n", error.c_str());
}

namespace {

// A name that holds no valid Unicode (a lone surrogate that bytes no UTF-8 decoded to) cannot go
// into the menu, whose toolkit refuses it; such an entry is left out of the list, and the file
// keeps its bytes.
bool HoldsValidUnicode(const wxString& text) {
    for (const wxUniChar c : text) {
        const auto value = static_cast<std::uint32_t>(c.GetValue());
        if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return false;
    }
    return true;
}

}  // namespace

void LoadRecentFiles(wxConfigBase& config, wxFileHistory& history) {
    // File1 is the most recent; the list is filled from the oldest so that it keeps the order.
    const int capacity = history.GetMaxFiles();
    for (int number = capacity; number >= 1; --number) {
        wxString path;
        if (ReadValue(config, RecentFileKey(number), &path) && !path.empty() &&
            HoldsValidUnicode(path))
            history.AddFileToHistory(path);
    }
}

void SaveRecentFiles(wxConfigBase& config, const wxFileHistory& history) {
    const int capacity = history.GetMaxFiles();
    const int count = static_cast<int>(history.GetCount());
    for (int number = 1; number <= capacity; ++number) {
        if (number <= count)
            config.Write(RecentFileKey(number),
                         FileNameFromBytes(
                             EscapeNul(FileNameBytes(history.GetHistoryFile(number - 1))).c_str()));
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

double LoadMinVoicedShare(wxConfigBase& config) {
    double share = kDefaultMinVoicedShare;
    config.Read(kMinVoicedShareKey, &share, kDefaultMinVoicedShare);
    return share >= 0.0 && share <= 1.0 ? share : kDefaultMinVoicedShare;
}

void SaveMinVoicedShare(wxConfigBase& config, double share) {
    if (share != kDefaultMinVoicedShare)
        config.Write(kMinVoicedShareKey, share);
    else
        config.DeleteEntry(kMinVoicedShareKey, false);
}

FrameSettings LoadFrameSettings(wxConfigBase& config) {
    FrameSettings frame;
    const wxString group = kWindowGroup;
    long x = 0, y = 0, width = 0, height = 0;
    // A place is taken whole or not at all; a size no window could have is no place.
    if (config.Read(group + "X", &x) && config.Read(group + "Y", &y) &&
        config.Read(group + "Width", &width) && config.Read(group + "Height", &height) &&
        width > 0 && height > 0 && width <= 1 << 16 && height <= 1 << 16 &&
        std::abs(x) <= 1 << 20 && std::abs(y) <= 1 << 20)
        frame.rect = wxRect(int(x), int(y), int(width), int(height));
    config.Read(group + "Maximized", &frame.maximized, false);
    config.Read(group + "Timeline", &frame.timelineShown, false);
    return frame;
}

void SaveFrameSettings(wxConfigBase& config, const FrameSettings& frame) {
    const wxString group = kWindowGroup;
    if (frame.rect) {
        config.Write(group + "X", long(frame.rect->x));
        config.Write(group + "Y", long(frame.rect->y));
        config.Write(group + "Width", long(frame.rect->width));
        config.Write(group + "Height", long(frame.rect->height));
    }
    config.Write(group + "Maximized", frame.maximized);
    config.Write(group + "Timeline", frame.timelineShown);
}

platform::SoundDeviceId LoadSoundDevice(wxConfigBase& config, platform::SoundDirection direction) {
    return ReadSoundDevice(config, direction, true);
}

void SaveSoundDevice(wxConfigBase& config, platform::SoundDirection direction,
                     const platform::SoundDeviceId& device) {
    // The same device as the file names: its entries stay byte for byte as they are (a value
    // refused as too long stays too).
    if (ReadSoundDevice(config, direction, false) == device) return;
    if (device.IsSystemDefault()) {
        config.DeleteEntry(DeviceKey(direction), true);
        config.DeleteEntry(HostApiKey(direction), true);
        return;
    }
    config.Write(DeviceKey(direction), FileNameFromBytes(EscapeNul(device.name).c_str()));
    config.Write(HostApiKey(direction), FileNameFromBytes(EscapeNul(device.hostApi).c_str()));
}

}  // namespace kavrin
