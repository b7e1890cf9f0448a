// The fixed statement of what Kavrin measures and what it does not: the same words in the
// report, the help book and the man pages. Plain text, paragraphs separated by blank lines.
#pragma once

#include <string_view>

std::string_view MeasureStatement();
