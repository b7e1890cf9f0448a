#include "ui/dialog_text.h"

#include <algorithm>
#include <limits>

namespace kavrin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::int32_t ReadDialogInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i])) return 0;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return 0;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) return 0;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

std::optional<std::uint32_t> ParseUnsignedField(const std::string& text) {
    const std::string counted = text.substr(0, 31);
    std::size_t i = 0;
    while (i < counted.size() && IsBlank(counted[i])) ++i;
    if (i >= counted.size() || !IsDigit(counted[i])) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < counted.size() && IsDigit(counted[i]); ++i) {
        value = value * 10 + static_cast<std::uint64_t>(counted[i] - '0');
        value = std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max());
    }
    while (i < counted.size() && IsBlank(counted[i])) ++i;
    if (i != counted.size()) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace kavrin
