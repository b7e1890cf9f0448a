#include "labels/elan_eaf.h"

#include <expat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <vector>

#include "labels/label_text.h"
#include "labels/xml_text.h"

namespace kavrin_labels {
namespace {

// The largest time taken: about 31 years of milliseconds, far beyond any recording and far
// inside a double's exact integers.
constexpr std::int64_t kMaxMilliseconds = std::int64_t{1} << 50;

struct Annotation {
    std::string slot1, slot2, text;
    std::size_t line = 0;
};

struct EafTier {
    std::string name;
    std::vector<Annotation> annotations;
};

struct EafState {
    XML_Parser parser = nullptr;
    std::string error;
    int depth = 0;
    bool rootSeen = false;
    std::map<std::string, std::optional<std::int64_t>> slots;
    std::vector<EafTier> tiers;
    std::string media;
    bool inAlignable = false;
    bool inValue = false;
    Annotation current;

    std::size_t Line() const { return XML_GetCurrentLineNumber(parser); }
    void Fail(const std::string& what) {
        if (error.empty()) error = LineError(Line(), what);
        XML_StopParser(parser, XML_FALSE);
    }
};

const char* Attribute(const XML_Char** attributes, const char* name) {
    for (int i = 0; attributes[i] != nullptr; i += 2)
        if (std::string_view(attributes[i]) == name) return attributes[i + 1];
    return nullptr;
}

void XMLCALL OnStart(void* data, const XML_Char* element, const XML_Char** attributes) {
    auto& state = *static_cast<EafState*>(data);
    const std::string_view name = element;
    if (state.depth++ == 0) {
        if (name != "ANNOTATION_DOCUMENT") return state.Fail("not an ELAN document");
        state.rootSeen = true;
    }
    if (name == "MEDIA_DESCRIPTOR") {
        const char* url = Attribute(attributes, "MEDIA_URL");
        if (url != nullptr && state.media.empty()) state.media = url;
    } else if (name == "TIME_SLOT") {
        const char* id = Attribute(attributes, "TIME_SLOT_ID");
        if (id == nullptr) return state.Fail("a TIME_SLOT without TIME_SLOT_ID");
        std::optional<std::int64_t> time;
        if (const char* value = Attribute(attributes, "TIME_VALUE")) {
            const std::string_view text = value;
            std::int64_t ms = 0;
            auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
            if (ec != std::errc() || ptr != text.data() + text.size() || ms < 0 ||
                ms > kMaxMilliseconds)
                return state.Fail("TIME_VALUE is not a whole number of milliseconds: " +
                                  std::string(text.substr(0, 40)));
            time = ms;
        }
        state.slots[id] = time;
    } else if (name == "TIER") {
        const char* id = Attribute(attributes, "TIER_ID");
        state.tiers.push_back(EafTier{id != nullptr ? id : "", {}});
    } else if (name == "ALIGNABLE_ANNOTATION") {
        const char* ref1 = Attribute(attributes, "TIME_SLOT_REF1");
        const char* ref2 = Attribute(attributes, "TIME_SLOT_REF2");
        if (state.tiers.empty()) return state.Fail("an annotation outside a TIER");
        if (ref1 == nullptr || ref2 == nullptr)
            return state.Fail("an ALIGNABLE_ANNOTATION without both time slot references");
        state.inAlignable = true;
        state.current = Annotation{ref1, ref2, {}, state.Line()};
    } else if (name == "ANNOTATION_VALUE" && state.inAlignable) {
        state.inValue = true;
    }
}

void XMLCALL OnEnd(void* data, const XML_Char* element) {
    auto& state = *static_cast<EafState*>(data);
    --state.depth;
    const std::string_view name = element;
    if (name == "ANNOTATION_VALUE") {
        state.inValue = false;
    } else if (name == "ALIGNABLE_ANNOTATION" && state.inAlignable) {
        state.inAlignable = false;
        state.tiers.back().annotations.push_back(std::move(state.current));
    }
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto& state = *static_cast<EafState*>(data);
    if (state.inValue) state.current.text.append(text, static_cast<std::size_t>(length));
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<EafState*>(data)->Fail("a document type declaration (EAF has none)");
}

// A file URL: the path's bytes, those outside the unreserved set and '/' percent-encoded.
std::string FileUrl(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

std::string MimeType(const std::string& path) {
    std::string extension = path.substr(std::min(path.size(), path.rfind('.') + 1));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "wav") return "audio/x-wav";
    if (extension == "mp3") return "audio/mpeg";
    if (extension == "mp4" || extension == "m4a") return "audio/mp4";
    if (extension == "ogg" || extension == "opus") return "audio/ogg";
    if (extension == "flac") return "audio/flac";
    return "application/octet-stream";
}

std::string NowIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+00:00", &utc);
    return text;
}

}  // namespace

LabelReadResult ParseEaf(std::string_view bytes, const std::string& tierName) {
    LabelReadResult result;
    if (bytes.size() > kMaxLabelFileBytes) {
        result.error =
            "the file is larger than " + std::to_string(kMaxLabelFileBytes >> 20) + " MiB";
        return result;
    }
    EafState state;
    state.parser = XML_ParserCreate(nullptr);
    if (state.parser == nullptr) {
        result.error = "out of memory";
        return result;
    }
    XML_SetUserData(state.parser, &state);
    XML_SetElementHandler(state.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(state.parser, OnText);
    XML_SetStartDoctypeDeclHandler(state.parser, OnDoctype);
    const XML_Status status =
        XML_Parse(state.parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE);
    if (status != XML_STATUS_OK && state.error.empty())
        state.error = LineError(
            XML_GetCurrentLineNumber(state.parser),
            std::string("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(state.parser)));
    XML_ParserFree(state.parser);
    if (!state.error.empty()) {
        result.error = state.error;
        return result;
    }
    if (!state.rootSeen) {
        result.error = "not an ELAN document";
        return result;
    }

    result.labels.media = state.media;
    const EafTier* chosen = nullptr;
    for (const EafTier& tier : state.tiers) {
        const bool match = tierName.empty() ? !tier.annotations.empty() : tier.name == tierName;
        if (match) {
            chosen = &tier;
            break;
        }
    }
    if (chosen == nullptr) {
        if (!tierName.empty())
            result.error = "no tier named \"" + tierName + "\"";
        else if (!state.tiers.empty())
            result.labels.tier = state.tiers.front().name;
        return result;
    }
    result.labels.tier = chosen->name;
    for (const Annotation& annotation : chosen->annotations) {
        const auto slot1 = state.slots.find(annotation.slot1);
        const auto slot2 = state.slots.find(annotation.slot2);
        if (slot1 == state.slots.end() || slot2 == state.slots.end()) {
            result.error = LineError(annotation.line,
                                     "an annotation refers to a time slot that "
                                     "is not in the TIME_ORDER");
            return result;
        }
        if (!slot1->second || !slot2->second) continue;
        Segment segment{static_cast<double>(*slot1->second) / 1000.0,
                        static_cast<double>(*slot2->second) / 1000.0, annotation.text};
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = LineError(annotation.line, why);
            return result;
        }
        result.labels.segments.push_back(std::move(segment));
    }
    SortSegments(result.labels.segments);
    return result;
}

LabelWriteResult FormatEaf(const LabelSet& labels, const EafMedia& media) {
    LabelWriteResult result;
    std::vector<Segment> segments = labels.segments;
    SortSegments(segments);
    std::vector<std::pair<std::int64_t, std::int64_t>> times;
    std::vector<std::int64_t> slots;
    for (const Segment& segment : segments) {
        if (const std::string why = CheckSegment(segment); !why.empty()) {
            result.error = "cannot write the label \"" + segment.text + "\": " + why;
            return result;
        }
        const std::int64_t from = std::llround(segment.start * 1000.0);
        const std::int64_t to = std::llround(segment.end * 1000.0);
        if (to > kMaxMilliseconds) {
            result.error =
                "cannot write the label \"" + segment.text + "\": beyond " + "the times ELAN keeps";
            return result;
        }
        times.emplace_back(from, to);
        slots.push_back(from);
        slots.push_back(to);
    }
    // One time slot per distinct time, numbered in time order.
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    auto slotId = [&](std::int64_t ms) {
        return "ts" +
               std::to_string(std::lower_bound(slots.begin(), slots.end(), ms) - slots.begin() + 1);
    };

    std::string& out = result.bytes;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<ANNOTATION_DOCUMENT AUTHOR=\"\" DATE=\"" + NowIso8601() +
           "\" FORMAT=\"3.0\" VERSION=\"3.0\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:noNamespaceSchemaLocation=\"http://www.mpi.nl/tools/elan/EAFv3.0.xsd\">\n";
    out += "    <HEADER MEDIA_FILE=\"\" TIME_UNITS=\"milliseconds\">\n";
    if (!media.absolutePath.empty()) {
        out += "        <MEDIA_DESCRIPTOR MEDIA_URL=\"" + XmlEscaped(FileUrl(media.absolutePath)) +
               "\" MIME_TYPE=\"" + MimeType(media.absolutePath) + "\"";
        if (!media.relativePath.empty())
            out += " RELATIVE_MEDIA_URL=\"" + XmlEscaped("./" + media.relativePath) + "\"";
        out += "/>\n";
    }
    out += "    </HEADER>\n    <TIME_ORDER>\n";
    for (std::size_t k = 0; k < slots.size(); ++k)
        out += "        <TIME_SLOT TIME_SLOT_ID=\"ts" + std::to_string(k + 1) + "\" TIME_VALUE=\"" +
               std::to_string(slots[k]) + "\"/>\n";
    out += "    </TIME_ORDER>\n";
    out += "    <TIER LINGUISTIC_TYPE_REF=\"default-lt\" TIER_ID=\"" +
           XmlEscaped(TierNameOrDefault(labels)) + "\">\n";
    for (std::size_t k = 0; k < segments.size(); ++k) {
        out += "        <ANNOTATION>\n";
        out += "            <ALIGNABLE_ANNOTATION ANNOTATION_ID=\"a" + std::to_string(k + 1) +
               "\" TIME_SLOT_REF1=\"" + slotId(times[k].first) + "\" TIME_SLOT_REF2=\"" +
               slotId(times[k].second) + "\">\n";
        out += "                <ANNOTATION_VALUE>" + XmlEscaped(segments[k].text) +
               "</ANNOTATION_VALUE>\n";
        out += "            </ALIGNABLE_ANNOTATION>\n        </ANNOTATION>\n";
    }
    out += "    </TIER>\n";
    out +=
        "    <LINGUISTIC_TYPE GRAPHIC_REFERENCES=\"false\" LINGUISTIC_TYPE_ID=\"default-lt\" "
        "TIME_ALIGNABLE=\"true\"/>\n";
    out += "</ANNOTATION_DOCUMENT>\n";
    return result;
}

}  // namespace kavrin_labels
