// The open-file dialog seam: the window shows the toolkit's dialog, tests answer directly.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

struct OpenFileRequest {
    std::string title;             // "Sound file to load"
    std::string filterLabel;       // "Sound File (*.Wav)"
    std::string presetName;        // "*.WAV": lists the names ending in .WAV, any case
    std::string defaultExtension;  // "*.WAV"
    bool mustExist = true;
};

// The chosen path, or nothing when the user cancelled.
using OpenFileChooser = std::function<std::optional<std::string>(const OpenFileRequest&)>;

std::optional<std::string> AskOpenFileName(const OpenFileRequest& request);

// Installs the chooser (empty: the default, which always cancels).
void SetOpenFileChooser(OpenFileChooser chooser);

}  // namespace platform
