// How the form and the test-generator dialog read numbers out of their edit fields. No toolkit
// here: the rules are plain text rules, tested on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kavrin {

// An edit read as a signed integer the way the form reads its adjust fields: blanks around an
// optional minus sign and decimal digits; anything else, an empty text or a number outside the
// 32-bit range reads as 0.
std::int32_t ReadDialogInt(const std::string& text);

// The bound put on the adjust values before any arithmetic, so that 4 x adj, adj - 50, bar
// heights and coordinates stay far inside the integer range. The spin buttons only reach 0..100;
// a typed value beyond the bound counts as the bound.
inline constexpr std::int32_t kAdjustBound = 1000000;
std::int32_t ClampAdjust(std::int32_t value);

// An edit read as an unsigned decimal the way the dialog's data exchange reads it: only the first
// 31 characters count; blanks and tabs may surround the digits; an empty field, a minus sign or
// any other character fails (nullopt). Digits beyond the 32-bit range give the largest value, so
// that the range check reports them.
std::optional<std::uint32_t> ParseUnsignedField(const std::string& text);

}  // namespace kavrin
