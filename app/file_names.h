// File names between the file system's bytes and the toolkit's strings. A name may hold bytes
// that are no valid UTF-8; the toolkit's own conversions empty or change such a name, these
// keep every byte (invalid ones travel as private-use characters) so the name opens again.
#pragma once

#include <wx/string.h>

#include <string>

namespace kavrin {

wxString FileNameFromBytes(const char* bytes);
std::string FileNameBytes(const wxString& name);

}  // namespace kavrin
