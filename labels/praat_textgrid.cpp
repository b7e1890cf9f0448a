#include "labels/praat_textgrid.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "labels/label_text.h"

namespace kavrin_labels {
namespace {

// Praat's text forms hold a sequence of values (numbers, strings in double quotes, flags in
// angle brackets); the long form puts names ("xmin =", "item [1]:") between them. A reader
// that takes only the values reads both forms.
struct Token {
    enum Kind { Number, String, Flag } kind = Number;
    std::string text;
    std::size_t line = 0;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool Tokenize(std::string_view text, std::vector<Token>& tokens, std::string* error) {
    std::size_t line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const char c = text[i];
        if (IsSpace(c)) {
            line += c == '\n';
            ++i;
        } else if (c == '!') {  // a comment to the end of the line
            while (i < n && text[i] != '\n') ++i;
        } else if (c == '"') {
            Token token{Token::String, {}, line};
            ++i;
            for (;;) {
                if (i >= n) {
                    *error = LineError(token.line, "a text in quotes is not closed");
                    return false;
                }
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        token.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                line += text[i] == '\n';
                token.text += text[i++];
            }
            tokens.push_back(std::move(token));
        } else if (c == '<') {
            Token token{Token::Flag, {}, line};
            const std::size_t close = text.find('>', i);
            if (close == std::string_view::npos ||
                text.substr(i, close - i).find('\n') != text.npos) {
                *error = LineError(line, "a flag in angle brackets is not closed");
                return false;
            }
            token.text = std::string(text.substr(i + 1, close - i - 1));
            i = close + 1;
            tokens.push_back(std::move(token));
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
            Token token{Token::Number, {}, line};
            while (i < n && !IsSpace(text[i])) token.text += text[i++];
            tokens.push_back(std::move(token));
        } else {
            // A name; brackets in it ("item [1]:") hold no value.
            while (i < n && !IsSpace(text[i]) && text[i] != '"') {
                if (text[i] == '[') {
                    while (i < n && text[i] != ']') line += text[i++] == '\n';
                    if (i < n) ++i;
                } else {
                    ++i;
                }
            }
        }
    }
    return true;
}

class CTokenReader {
public:
    CTokenReader(const std::vector<Token>& tokens, std::string* error)
        : m_tokens(tokens), m_error(error) {}

    std::optional<std::string> String(const char* what) {
        const Token* token = Next(Token::String, what);
        if (!token) return std::nullopt;
        return token->text;
    }
    std::optional<double> Number(const char* what) {
        const Token* token = Next(Token::Number, what);
        if (!token) return std::nullopt;
        const std::optional<double> value = ParseSeconds(token->text);
        if (!value)
            Fail(token->line, std::string(what) + " is not a number: " + token->text.substr(0, 40));
        return value;
    }
    std::optional<std::uint64_t> Count(const char* what) {
        const Token* token = Next(Token::Number, what);
        if (!token) return std::nullopt;
        std::uint64_t value = 0;
        const char* end = token->text.data() + token->text.size();
        auto [ptr, ec] = std::from_chars(token->text.data(), end, value);
        // Each element takes at least one value: a count beyond what is left is false.
        if (ec != std::errc() || ptr != end || value > m_tokens.size() - m_next) {
            Fail(token->line, std::string(what) + " is not a count that fits the file: " +
                                  token->text.substr(0, 40));
            return std::nullopt;
        }
        return value;
    }
    std::optional<std::string> Flag(const char* what) {
        const Token* token = Next(Token::Flag, what);
        if (!token) return std::nullopt;
        return token->text;
    }
    std::size_t Line() const {
        return m_next == 0 ? 1 : m_tokens[std::min(m_next, m_tokens.size()) - 1].line;
    }
    void Fail(std::size_t line, const std::string& what) {
        if (m_error->empty()) *m_error = LineError(line, what);
    }

private:
    const Token* Next(Token::Kind kind, const char* what) {
        if (m_next >= m_tokens.size()) {
            Fail(Line(), std::string("the file ends where ") + what + " should follow");
            return nullptr;
        }
        const Token& token = m_tokens[m_next++];
        if (token.kind != kind) {
            static const char* const kKinds[] = {"a number", "a text in quotes", "a flag"};
            Fail(token.line, std::string(what) + " should be " + kKinds[kind] + ", found " +
                                 kKinds[token.kind]);
            return nullptr;
        }
        return &token;
    }

    const std::vector<Token>& m_tokens;
    std::size_t m_next = 0;
    std::string* m_error;
};

struct Tier {
    std::string name;
    bool points = false;
    std::vector<Segment> segments;
};

bool ReadTier(CTokenReader& in, Tier& tier) {
    const std::size_t line = in.Line();
    const auto kind = in.String("the tier's class");
    if (!kind) return false;
    if (*kind != "IntervalTier" && *kind != "TextTier") {
        in.Fail(line, "unknown tier class \"" + kind->substr(0, 40) + "\"");
        return false;
    }
    tier.points = *kind == "TextTier";
    const auto name = in.String("the tier's name");
    if (!name || !in.Number("the tier's xmin") || !in.Number("the tier's xmax")) return false;
    tier.name = *name;
    const auto count = in.Count(tier.points ? "the number of points" : "the number of intervals");
    if (!count) return false;
    for (std::uint64_t k = 0; k < *count; ++k) {
        Segment segment;
        const std::size_t at = in.Line();
        if (tier.points) {
            const auto time = in.Number("a point's time");
            const auto mark = in.String("a point's mark");
            if (!time || !mark) return false;
            segment = Segment{*time, *time, *mark};
        } else {
            const auto from = in.Number("an interval's xmin");
            const auto to = in.Number("an interval's xmax");
            const auto text = in.String("an interval's text");
            if (!from || !to || !text) return false;
            segment = Segment{*from, *to, *text};
        }
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            in.Fail(at, why);
            return false;
        }
        if (tier.points || !segment.text.empty()) tier.segments.push_back(std::move(segment));
    }
    return true;
}

const char* const kMarksTier = "marks";

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Praat's own layout: values followed by a blank, four blanks of indent per level.
void AppendTierHeader(std::string& out, int index, const char* kind, const std::string& name,
                      double xmax, std::size_t count, const char* countName) {
    out += "    item [" + std::to_string(index) + "]:\n";
    out += "        class = \"" + std::string(kind) + "\" \n";
    out += "        name = " + Quoted(name) + " \n";
    out += "        xmin = 0 \n";
    out += "        xmax = " + FormatSeconds(xmax) + " \n";
    out += "        " + std::string(countName) + ": size = " + std::to_string(count) + " \n";
}

}  // namespace

LabelReadResult ParseTextGrid(std::string_view bytes, const std::string& tierName) {
    LabelReadResult result;
    std::string& error = result.error;
    const std::optional<std::string> text = DecodeText(bytes, &error);
    if (!text) return result;
    if (text->rfind("File type = \"ooBinaryFile\"", 0) == 0) {
        error = "a binary TextGrid: save it from Praat as a text file";
        return result;
    }
    std::vector<Token> tokens;
    if (!Tokenize(*text, tokens, &error)) return result;
    CTokenReader in(tokens, &error);
    const auto fileType = in.String("the file type");
    if (!fileType) return result;
    if (fileType->rfind("ooTextFile", 0) != 0) {
        error = LineError(1, "not a Praat text file");
        return result;
    }
    const auto objectClass = in.String("the object class");
    if (!objectClass) return result;
    if (objectClass->rfind("TextGrid", 0) != 0) {
        error = LineError(in.Line(), "not a TextGrid but a " + objectClass->substr(0, 40));
        return result;
    }
    if (!in.Number("xmin")) return result;
    const auto xmax = in.Number("xmax");
    if (!xmax) return result;
    const auto exists = in.Flag("tiers? <exists>");
    if (!exists) return result;
    std::vector<Tier> tiers;
    if (*exists == "exists") {
        const auto count = in.Count("the number of tiers");
        if (!count) return result;
        for (std::uint64_t k = 0; k < *count; ++k) {
            Tier tier;
            if (!ReadTier(in, tier)) return result;
            tiers.push_back(std::move(tier));
        }
    }

    result.labels.duration = std::max(0.0, *xmax);
    if (tiers.empty()) return result;
    auto chosen = tiers.begin();
    if (!tierName.empty()) {
        chosen = std::find_if(tiers.begin(), tiers.end(),
                              [&](const Tier& tier) { return tier.name == tierName; });
        if (chosen == tiers.end()) {
            error = "no tier named \"" + tierName + "\"";
            return result;
        }
    }
    result.labels.tier = chosen->name;
    result.labels.segments = chosen->segments;
    if (tierName.empty() && !chosen->points) {
        for (const Tier& tier : tiers)
            if (tier.points && tier.name == kMarksTier)
                result.labels.segments.insert(result.labels.segments.end(), tier.segments.begin(),
                                              tier.segments.end());
    }
    SortSegments(result.labels.segments);
    return result;
}

LabelWriteResult FormatTextGrid(const LabelSet& labels) {
    LabelWriteResult result;
    std::vector<Segment> intervals;
    std::vector<Segment> marks;
    double xmax = std::max(0.0, labels.duration);
    for (const Segment& segment : labels.segments) {
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = "cannot write the label \"" + segment.text + "\": " + why;
            return result;
        }
        (segment.IsMark() ? marks : intervals).push_back(segment);
        xmax = std::max(xmax, segment.end);
    }
    if (!(xmax > 0.0)) {
        result.error = "a TextGrid needs a length: the labels and the recording have none";
        return result;
    }
    SortSegments(intervals);
    SortSegments(marks);

    // The interval tier tiles 0..xmax: empty intervals fill the gaps.
    std::vector<Segment> tiling;
    double at = 0.0;
    for (const Segment& segment : intervals) {
        if (segment.start < at) {
            result.error = "the labels \"" + tiling.back().text + "\" and \"" + segment.text +
                           "\" overlap: a TextGrid interval tier cannot hold both";
            return result;
        }
        if (segment.start > at) tiling.push_back(Segment{at, segment.start, {}});
        tiling.push_back(segment);
        at = segment.end;
    }
    if (at < xmax) tiling.push_back(Segment{at, xmax, {}});

    std::string& out = result.bytes;
    out += "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\n";
    out += "xmin = 0 \nxmax = " + FormatSeconds(xmax) + " \ntiers? <exists> \n";
    out += "size = " + std::to_string(marks.empty() ? 1 : 2) + " \nitem []: \n";
    AppendTierHeader(out, 1, "IntervalTier", TierNameOrDefault(labels), xmax, tiling.size(),
                     "intervals");
    for (std::size_t k = 0; k < tiling.size(); ++k) {
        out += "        intervals [" + std::to_string(k + 1) + "]:\n";
        out += "            xmin = " + FormatSeconds(tiling[k].start) + " \n";
        out += "            xmax = " + FormatSeconds(tiling[k].end) + " \n";
        out += "            text = " + Quoted(tiling[k].text) + " \n";
    }
    if (!marks.empty()) {
        AppendTierHeader(out, 2, "TextTier", kMarksTier, xmax, marks.size(), "points");
        for (std::size_t k = 0; k < marks.size(); ++k) {
            out += "        points [" + std::to_string(k + 1) + "]:\n";
            out += "            number = " + FormatSeconds(marks[k].start) + " \n";
            out += "            mark = " + Quoted(marks[k].text) + " \n";
        }
    }
    return result;
}

}  // namespace kavrin_labels
