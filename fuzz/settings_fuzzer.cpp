// The settings file as the window reads it: the recent-file list, the preview pages, the
// decoding switch and the chosen sound devices out of arbitrary bytes, through the toolkit's file
// configuration as the window uses it. Beyond crashes: what the window would write back reads back
// the same.
#include <wx/fileconf.h>
#include <wx/filehistory.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/settings.h"

namespace {

constexpr int kRecentFileCount = 4;  // as the window keeps

// As the window writes them.
std::string Written(wxFileConfig& config) {
    std::string bytes;
    kavrin::SettingsBytes(config, &bytes);
    return bytes;
}

// A toolkit assertion is a failure: in the window it would raise the toolkit's assertion box.
void AbortOnAssert(const wxString& file, int line, const wxString& function, const wxString& cond,
                   const wxString& message) {
    std::fprintf(stderr, "toolkit assertion at %s:%d in %s: %s %s\n", file.utf8_str().data(), line,
                 function.utf8_str().data(), cond.utf8_str().data(), message.utf8_str().data());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static wxInitializer toolkit;
    static const bool asserts = [] {
        wxSetAssertHandler(AbortOnAssert);
        return true;
    }();
    (void)asserts;
    wxLogNull quiet;
    auto config = kavrin::ParseSettings(std::string(reinterpret_cast<const char*>(data), size));
    wxFileHistory history(kRecentFileCount);
    kavrin::LoadRecentFiles(*config, history);
    const int previewPages = kavrin::LoadPreviewPages(*config);
    const bool decode = kavrin::LoadDecodeAudioFiles(*config);
    using platform::SoundDirection;
    const platform::SoundDeviceId input = kavrin::LoadSoundDevice(*config, SoundDirection::In);
    const platform::SoundDeviceId output = kavrin::LoadSoundDevice(*config, SoundDirection::Out);

    // As the window's exit writes them, into a fresh file, then read as the next start does.
    auto fresh = kavrin::ParseSettings("");
    kavrin::SaveRecentFiles(*fresh, history);
    kavrin::SavePreviewPages(*fresh, previewPages);
    kavrin::SaveDecodeAudioFiles(*fresh, decode);
    kavrin::SaveSoundDevice(*fresh, SoundDirection::In, input);
    kavrin::SaveSoundDevice(*fresh, SoundDirection::Out, output);
    auto again = kavrin::ParseSettings(Written(*fresh));
    wxFileHistory reread(kRecentFileCount);
    kavrin::LoadRecentFiles(*again, reread);
    bool same =
        reread.GetCount() == history.GetCount() && kavrin::LoadPreviewPages(*again) == previewPages;
    for (std::size_t i = 0; same && i < history.GetCount(); ++i)
        same = reread.GetHistoryFile(i) == history.GetHistoryFile(i);
    if (!same) {
        std::fprintf(stderr, "the recent-file list does not read back as written\n");
        std::abort();
    }
    if (kavrin::LoadSoundDevice(*again, SoundDirection::In) != input ||
        kavrin::LoadSoundDevice(*again, SoundDirection::Out) != output) {
        std::fprintf(stderr, "the sound devices do not read back as written\n");
        std::abort();
    }
    return 0;
}
