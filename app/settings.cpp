#include "app/settings.h"

#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

namespace kavrin {
namespace {

constexpr const char* kRecentFileGroup = "/Recent File List";
constexpr const char* kRecentFileEntry = "File%d";
constexpr const char* kPreviewPagesKey = "/Settings/PreviewPages";
constexpr const char* kDecodeAudioFilesKey = "/Settings/DecodeAudioFiles";

wxString RecentFileKey(int number) {
    return wxString(kRecentFileGroup) + "/" + wxString::Format(kRecentFileEntry, number);
}

}  // namespace

wxString SettingsFilePath() {
    wxString base;
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || base.empty())
        base = wxFileName::GetHomeDir() + "/.config";
    return base + "/" + kVendorName + "/" + kAppName + ".conf";
}

std::unique_ptr<wxConfigBase> OpenSettings() {
    // A corrupt file only loses what cannot be read; nothing is reported.
    wxLogNull quiet;
    auto config = std::make_unique<wxFileConfig>(kAppName, kVendorName, SettingsFilePath(),
                                                 wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    // Paths are kept as they are: a '$' in a file name is no variable.
    config->SetExpandEnvVars(false);
    return config;
}

void CloseSettings(std::unique_ptr<wxConfigBase> config) {
    if (!config) return;
    wxLogNull quiet;
    const wxFileName file(SettingsFilePath());
    if (!file.DirExists()) wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    config->Flush();
    config.reset();
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

}  // namespace kavrin
