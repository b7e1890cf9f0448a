#include "labels/label_sidecar.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "labels/atomic_file.h"
#include "labels/label_text.h"

namespace kavrin_labels {
namespace {

const char* const kSuffix = ".kavrin-labels.txt";
const char* const kMagic = "kavrin-labels";

std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

std::string SidecarPathFor(const std::string& recordingPath) {
    return recordingPath + kSuffix;
}

bool IsSidecarName(const std::string& path) {
    const std::string suffix = kSuffix;
    return path.size() > suffix.size() &&
           path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}

LabelWriteResult FormatSidecar(const LabelSet& labels) {
    LabelWriteResult result;
    std::string& out = result.bytes;
    out += std::string(kMagic) + '\t' + std::to_string(kSidecarVersion) + '\n';
    if (!labels.media.empty()) out += "recording\t" + Escape(labels.media) + '\n';
    if (!labels.tier.empty()) out += "tier\t" + Escape(labels.tier) + '\n';
    std::vector<Segment> segments = labels.segments;
    SortSegments(segments);
    for (const Segment& segment : segments) {
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = "cannot write the label \"" + segment.text + "\": " + why;
            return result;
        }
        out += "segment\t" + FormatSeconds(segment.start) + '\t' + FormatSeconds(segment.end) +
               '\t' + Escape(segment.text) + '\n';
    }
    if (labels.baseline) {
        out += "baseline\t" + FormatSeconds(labels.baseline->start) + '\t' +
               FormatSeconds(labels.baseline->end) + '\n';
    }
    return result;
}

LabelReadResult ParseSidecar(std::string_view bytes) {
    LabelReadResult result;
    std::string& error = result.error;
    if (bytes.size() > kMaxLabelFileBytes) {
        error = "the file is larger than " + std::to_string(kMaxLabelFileBytes >> 20) + " MiB";
        return result;
    }
    if (!IsUtf8(bytes)) {
        error = "not UTF-8 text";
        return result;
    }
    std::size_t line = 0;
    bool versionSeen = false;
    while (!bytes.empty()) {
        ++line;
        const std::size_t eol = bytes.find('\n');
        std::string_view text = bytes.substr(0, eol);
        bytes.remove_prefix(eol == std::string_view::npos ? bytes.size() : eol + 1);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        const std::vector<std::string_view> fields = Fields(text);
        if (!versionSeen) {
            int version = 0;
            const std::string_view number = fields.size() == 2 ? fields[1] : std::string_view();
            auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), version);
            if (fields[0] != kMagic || ec != std::errc() || ptr != number.data() + number.size()) {
                error = LineError(line, "not a Kavrin labels file");
                return result;
            }
            if (version > kSidecarVersion || version < 1) {
                error = LineError(line, "labels of version " + std::string(number) +
                                            ", which this Kavrin does not know");
                return result;
            }
            versionSeen = true;
            continue;
        }
        if (text.empty()) continue;
        if (fields[0] == "segment") {
            const auto start = fields.size() == 4 ? ParseSeconds(fields[1]) : std::nullopt;
            const auto end = fields.size() == 4 ? ParseSeconds(fields[2]) : std::nullopt;
            const auto label = fields.size() == 4 ? Unescape(fields[3]) : std::nullopt;
            if (!start || !end || !label) {
                error = LineError(line, "a segment needs a start, an end and a text");
                return result;
            }
            Segment segment{*start, *end, *label};
            if (const std::string why = CheckSegment(segment); !why.empty()) {
                error = LineError(line, why);
                return result;
            }
            result.labels.segments.push_back(std::move(segment));
        } else if (fields[0] == "baseline") {
            const auto start = fields.size() == 3 ? ParseSeconds(fields[1]) : std::nullopt;
            const auto end = fields.size() == 3 ? ParseSeconds(fields[2]) : std::nullopt;
            Segment baseline{start.value_or(0.0), end.value_or(0.0), {}};
            if (!start || !end || !CheckSegment(baseline).empty()) {
                error = LineError(line, "a baseline needs a start and an end");
                return result;
            }
            result.labels.baseline = baseline;
        } else if (fields[0] == "recording" || fields[0] == "tier") {
            const auto value = fields.size() == 2 ? Unescape(fields[1]) : std::nullopt;
            if (!value) {
                error = LineError(line, std::string(fields[0]) + " needs one value");
                return result;
            }
            (fields[0] == "tier" ? result.labels.tier : result.labels.media) = *value;
        }
        // Other records belong to later versions of the format: skipped.
    }
    if (!versionSeen) error = "an empty file, not a Kavrin labels file";
    SortSegments(result.labels.segments);
    return result;
}

std::string SaveSidecar(const std::string& recordingPath, const LabelSet& labels) {
    LabelSet named = labels;
    named.media = std::filesystem::path(recordingPath).filename().string();
    const LabelWriteResult written = FormatSidecar(named);
    if (!written.error.empty()) return written.error;
    return WriteFileAtomically(SidecarPathFor(recordingPath), written.bytes);
}

LabelReadResult LoadSidecar(const std::string& recordingPath, bool* found) {
    LabelReadResult result;
    const std::string path = SidecarPathFor(recordingPath);
    std::error_code ec;
    *found = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    if (!*found) return result;
    std::string bytes;
    if (std::string error = ReadWholeFile(path, &bytes); !error.empty()) {
        result.error = error;
        return result;
    }
    result = ParseSidecar(bytes);
    if (!result.error.empty()) result.error = path + ": " + result.error;
    return result;
}

}  // namespace kavrin_labels
