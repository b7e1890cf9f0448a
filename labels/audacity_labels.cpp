#include "labels/audacity_labels.h"

#include <optional>

#include "labels/label_text.h"

namespace kavrin_labels {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next field of a line split at blanks.
std::string_view NextWord(std::string_view& rest) {
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    std::size_t n = 0;
    while (n < rest.size() && !IsBlank(rest[n])) ++n;
    const std::string_view word = rest.substr(0, n);
    rest.remove_prefix(n);
    return word;
}

}  // namespace

LabelReadResult ParseAudacityLabels(std::string_view bytes) {
    LabelReadResult result;
    const std::optional<std::string> text = DecodeText(bytes, &result.error);
    if (!text) return result;
    std::string_view rest = *text;
    for (std::size_t line = 1; !rest.empty(); ++line) {
        std::size_t eol = rest.find('\n');
        std::string_view row = rest.substr(0, eol);
        rest.remove_prefix(eol == std::string_view::npos ? rest.size() : eol + 1);
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        std::string_view probe = row;
        if (NextWord(probe).empty() || row.front() == '\\') continue;

        std::string_view startText, endText, label;
        if (row.find('\t') != std::string_view::npos) {
            const std::size_t t1 = row.find('\t');
            startText = row.substr(0, t1);
            const std::size_t t2 = row.find('\t', t1 + 1);
            endText = row.substr(t1 + 1, t2 == std::string_view::npos ? row.npos : t2 - t1 - 1);
            if (t2 != std::string_view::npos) label = row.substr(t2 + 1);
        } else {
            std::string_view words = row;
            startText = NextWord(words);
            endText = NextWord(words);
            while (!words.empty() && IsBlank(words.front())) words.remove_prefix(1);
            label = words;
        }
        auto trim = [](std::string_view s) {
            while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
            while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
            return s;
        };
        const std::optional<double> start = ParseSeconds(trim(startText));
        if (!start) {
            result.error = LineError(line, "the start is not a number of seconds: \"" +
                                               std::string(startText.substr(0, 40)) + "\"");
            return result;
        }
        std::optional<double> end = start;
        if (!trim(endText).empty()) end = ParseSeconds(trim(endText));
        if (!end) {
            result.error = LineError(line, "the end is not a number of seconds: \"" +
                                               std::string(endText.substr(0, 40)) + "\"");
            return result;
        }
        Segment segment{*start, *end, std::string(label)};
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = LineError(line, why);
            return result;
        }
        result.labels.segments.push_back(std::move(segment));
    }
    SortSegments(result.labels.segments);
    return result;
}

LabelWriteResult FormatAudacityLabels(const LabelSet& labels) {
    LabelWriteResult result;
    std::vector<Segment> segments = labels.segments;
    SortSegments(segments);
    for (const Segment& segment : segments) {
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = "cannot write the label \"" + segment.text + "\": " + why;
            return result;
        }
        std::string text = segment.text;
        for (char& c : text)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        result.bytes +=
            FormatSeconds(segment.start) + '\t' + FormatSeconds(segment.end) + '\t' + text + '\n';
    }
    return result;
}

}  // namespace kavrin_labels
