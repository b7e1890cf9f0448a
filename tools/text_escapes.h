// Names as the batch tool shows them: on standard error a control character (a newline in a
// file name) is written as an escape, so that a name can neither split nor forge a line; in
// the CSV the file column is valid UTF-8, each byte that is no UTF-8 replaced by U+FFFD.
#pragma once

#include <string>

namespace kavrin_analyze {

// `text` with \n, \r, \t as those escapes and other control bytes as \xHH.
std::string EscapeControls(const std::string& text);

// `text` with each byte that does not belong to a valid UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

}  // namespace kavrin_analyze
