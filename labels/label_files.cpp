#include "labels/label_files.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "labels/atomic_file.h"
#include "labels/audacity_labels.h"
#include "labels/elan_eaf.h"
#include "labels/label_sidecar.h"
#include "labels/praat_textgrid.h"

namespace kavrin_labels {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
        if (std::tolower(a) != std::tolower(static_cast<unsigned char>(suffix[i]))) return false;
    }
    return true;
}

}  // namespace

std::optional<LabelFormat> FormatForPath(const std::string& path) {
    if (IsSidecarName(path)) return LabelFormat::Sidecar;
    if (EndsWithNoCase(path, ".txt")) return LabelFormat::Audacity;
    if (EndsWithNoCase(path, ".textgrid")) return LabelFormat::TextGrid;
    if (EndsWithNoCase(path, ".eaf")) return LabelFormat::Eaf;
    return std::nullopt;
}

const char* LabelFileFilter() {
    return "Praat TextGrid (*.TextGrid)|*.TextGrid;*.textgrid|"
           "Audacity labels (*.txt)|*.txt|"
           "ELAN annotations (*.eaf)|*.eaf";
}

LabelReadResult ReadLabelFile(const std::string& path, const std::string& tier) {
    LabelReadResult result;
    const std::optional<LabelFormat> format = FormatForPath(path);
    if (!format) {
        result.error = path + ": unknown label format (use .txt, .TextGrid or .eaf)";
        return result;
    }
    std::string bytes;
    if (std::string error = ReadWholeFile(path, &bytes); !error.empty()) {
        result.error = error;
        return result;
    }
    switch (*format) {
        case LabelFormat::Audacity:
            result = ParseAudacityLabels(bytes);
            break;
        case LabelFormat::TextGrid:
            result = ParseTextGrid(bytes, tier);
            break;
        case LabelFormat::Eaf:
            result = ParseEaf(bytes, tier);
            break;
        case LabelFormat::Sidecar:
            result = ParseSidecar(bytes);
            break;
    }
    if (!result.error.empty()) result.error = path + ": " + result.error;
    return result;
}

std::string WriteLabelFile(const std::string& path, const LabelSet& labels,
                           const std::string& recordingPath) {
    const std::optional<LabelFormat> format = FormatForPath(path);
    if (!format) return path + ": unknown label format (use .txt, .TextGrid or .eaf)";
    LabelWriteResult written;
    switch (*format) {
        case LabelFormat::Audacity:
            written = FormatAudacityLabels(labels);
            break;
        case LabelFormat::TextGrid:
            written = FormatTextGrid(labels);
            break;
        case LabelFormat::Sidecar:
            written = FormatSidecar(labels);
            break;
        case LabelFormat::Eaf: {
            EafMedia media;
            if (!recordingPath.empty()) {
                std::error_code ec;
                const auto recording = std::filesystem::absolute(recordingPath, ec);
                media.absolutePath = recording.lexically_normal().string();
                const auto folder =
                    std::filesystem::absolute(path, ec).lexically_normal().parent_path();
                media.relativePath =
                    recording.lexically_normal().lexically_relative(folder).string();
            }
            written = FormatEaf(labels, media);
            break;
        }
    }
    if (!written.error.empty()) return path + ": " + written.error;
    return WriteFileAtomically(path, written.bytes);
}

}  // namespace kavrin_labels
