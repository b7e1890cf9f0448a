// Text as XML (and HTML) carries it, in element content and in double-quoted attributes.
#pragma once

#include <string>

namespace kavrin_labels {

// `&`, `<`, `>` and `"` as entities, tab and line breaks as character references (so that an
// attribute keeps them), other control characters, which XML 1.0 does not allow, as blanks.
std::string XmlEscaped(const std::string& text);

}  // namespace kavrin_labels
