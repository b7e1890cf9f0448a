#include "app/file_names.h"

#include <wx/strconv.h>

namespace kavrin {
namespace {

const wxMBConv& FileNameConversion() {
    static const wxMBConvUTF8 conversion(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA);
    return conversion;
}

}  // namespace

wxString FileNameFromBytes(const char* bytes) {
    return wxString(bytes, FileNameConversion());
}

std::string FileNameBytes(const wxString& name) {
    const wxCharBuffer bytes = name.mb_str(FileNameConversion());
    return std::string(bytes.data(), bytes.length());
}

}  // namespace kavrin
