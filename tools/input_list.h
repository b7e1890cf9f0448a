// The lists of --files-from: one path per line, or per NUL with --null, so that find feeds them.
#pragma once

#include <string>
#include <vector>

namespace kavrin_analyze {

// The paths in `text`, in order. Each ends at the separator (newline, or NUL when
// nullSeparated); a last path needs none. Empty entries are left out; nothing else is trimmed,
// since a file name may begin or end with blanks.
std::vector<std::string> SplitInputList(const std::string& text, bool nullSeparated);

// Reads the list LIST ("-": standard input) and appends its paths to `paths`. Returns an empty
// string, or why the list cannot be read.
std::string ReadInputList(const std::string& list, bool nullSeparated,
                          std::vector<std::string>* paths);

}  // namespace kavrin_analyze
