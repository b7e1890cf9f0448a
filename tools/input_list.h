// The lists of --files-from: one path per line, or per NUL with --null, so that find feeds them.
#pragma once

#include <limits.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kavrin_analyze {

// The paths in `text`, in order. Each ends at the separator (newline, or NUL when
// nullSeparated); a last path needs none. Empty entries are left out; nothing else is trimmed,
// since a file name may begin or end with blanks.
std::vector<std::string> SplitInputList(const std::string& text, bool nullSeparated);

// What a list may hold: a list without end (/dev/zero) or a line that is no path is refused.
struct InputListLimits {
    std::uint64_t maxBytes = std::uint64_t{1} << 30;
    std::size_t maxPath = PATH_MAX;
};

// Reads the list LIST ("-": standard input) and appends its paths to `paths`. Returns an empty
// string, or why the list cannot be read or is refused.
std::string ReadInputList(const std::string& list, bool nullSeparated,
                          std::vector<std::string>* paths, const InputListLimits& limits = {});

}  // namespace kavrin_analyze
