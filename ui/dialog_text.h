// How the form and the test-generator dialog read numbers out of their edit fields. No toolkit
// here: the rules are plain text rules, tested on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/lamp.h"  // ClampAdjust, kAdjustBound

namespace kavrin {

// An edit read as a signed integer the way the form reads its adjust fields: blanks around an
// optional minus sign and decimal digits; anything else, an empty text or a number outside the
// 32-bit range reads as 0.
std::int32_t ReadDialogInt(const std::string& text);

// An edit read as an unsigned decimal the way the dialog's data exchange reads it: only the first
// 31 characters count; blanks and tabs may surround the digits; an empty field, a minus sign or
// any other character fails (nullopt). Digits beyond the 32-bit range give the largest value, so
// that the range check reports them.
std::optional<std::uint32_t> ParseUnsignedField(const std::string& text);

}  // namespace kavrin
