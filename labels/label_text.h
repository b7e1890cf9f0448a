// Text handling shared by the label readers and writers: encodings, numbers, error texts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kavrin_labels {

// Label files are read whole; anything larger is refused rather than held in memory.
inline constexpr std::size_t kMaxLabelFileBytes = std::size_t{64} << 20;

bool IsUtf8(std::string_view text);

// The bytes of a text file as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16 with a
// byte-order mark (either order) is converted. Empty optional and `error` set when the bytes
// are not text in one of these encodings.
std::optional<std::string> DecodeText(std::string_view bytes, std::string* error);

// A decimal number of seconds: finite, no trailing characters.
std::optional<double> ParseSeconds(std::string_view text);

// The shortest text that reads back to the same double.
std::string FormatSeconds(double seconds);

// "line N: what".
std::string LineError(std::size_t line, const std::string& what);

// The line number (from 1) of byte `offset` in `text`.
std::size_t LineOf(std::string_view text, std::size_t offset);

}  // namespace kavrin_labels
