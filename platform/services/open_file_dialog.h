// The open-file dialog seam: the window shows the toolkit's dialog, tests answer directly.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A further file type after the first: its label and name patterns ("*.flac"), matched without
// regard to case.
struct OpenFileFilter {
    std::string label;
    std::vector<std::string> patterns;
};

struct OpenFileRequest {
    std::string title;             // "Sound file to load"
    std::string filterLabel;       // "Sound File (*.Wav)"
    std::string presetName;        // "*.WAV": lists the names ending in .WAV, any case
    std::string defaultExtension;  // "*.WAV"
    bool mustExist = true;
    std::vector<OpenFileFilter> extraFilters;  // listed after the first type
    // The type the dialog opens on: 0 is the first type, 1 the first of extraFilters...
    int initialFilter = 0;
};

// The chosen path, or nothing when the user cancelled.
using OpenFileChooser = std::function<std::optional<std::string>(const OpenFileRequest&)>;

std::optional<std::string> AskOpenFileName(const OpenFileRequest& request);

// Installs the chooser (empty: the default, which always cancels).
void SetOpenFileChooser(OpenFileChooser chooser);

}  // namespace platform
