// The program's entry: the toolkit creates the application object after the static analyzers.
#include <wx/init.h>

#include <string>
#include <vector>

#include "app/file_names.h"
#include "app/kavrin_app.h"

wxIMPLEMENT_APP_NO_MAIN(kavrin::CKavrinApp);

int main(int argc, char** argv) {
    // The arguments are file names: converted so that every name the file system allows keeps
    // its bytes (the toolkit's own conversion makes an empty string of a name that is no valid
    // text in the locale).
    std::vector<wxString> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(kavrin::FileNameFromBytes(argv[i]));
    std::vector<wchar_t*> wide;
    for (wxString& argument : arguments) wide.push_back(const_cast<wchar_t*>(argument.wc_str()));
    wide.push_back(nullptr);
    return wxEntry(argc, wide.data());
}
