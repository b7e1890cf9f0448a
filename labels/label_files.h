// Label files read and written by their name's extension: .txt an Audacity label track,
// .TextGrid a Praat TextGrid, .eaf an ELAN document (case does not matter), and
// NAME.kavrin-labels.txt Kavrin's own sidecar.
#pragma once

#include <optional>
#include <string>

#include "labels/label_result.h"

namespace kavrin_labels {

enum class LabelFormat { Audacity, TextGrid, Eaf, Sidecar };

// Empty when the extension is none of the above.
std::optional<LabelFormat> FormatForPath(const std::string& path);

// The text a file dialog offers, e.g. "Audacity labels (*.txt)|*.txt|Praat TextGrid ...".
const char* LabelFileFilter();

// Reads `path` by its extension; errors begin with the path. `tier` chooses a TextGrid's or an
// EAF's tier by name (empty: the first, see ParseTextGrid and ParseEaf).
LabelReadResult ReadLabelFile(const std::string& path, const std::string& tier = {});

// Writes `labels` to `path` by its extension, atomically. `recordingPath` (may be empty) names
// the recording in an EAF's media descriptor. Empty on success, else the reason.
std::string WriteLabelFile(const std::string& path, const LabelSet& labels,
                           const std::string& recordingPath = {});

}  // namespace kavrin_labels
