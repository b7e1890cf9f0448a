#include "app/gui_seams.h"

#include <wx/app.h>
#include <wx/filedlg.h>

#include <cctype>

#include "app/kavrin_message_dlg.h"
#include "platform/services/message_box.h"

namespace kavrin {
namespace {

void PresentMessageBox(const std::string& text, platform::MessageIcon icon) {
    wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    CKavrinMessageDlg box(parent, wxString::FromUTF8(text), icon);
    box.ShowModal();
}

void WakeMessageThread() {
    if (wxTheApp) wxTheApp->CallAfter([] { platform::DispatchPendingMessages(); });
}

// Every spelling of `pattern` with its letters in upper or lower case.
void AddCaseVariants(const std::string& pattern, std::size_t from, std::string& current,
                     wxString& out) {
    if (from == pattern.size()) {
        if (!out.empty()) out += ";";
        out += wxString::FromUTF8(current);
        return;
    }
    const char c = pattern[from];
    const unsigned char uc = static_cast<unsigned char>(c);
    if (!std::isalpha(uc)) {
        current.push_back(c);
        AddCaseVariants(pattern, from + 1, current, out);
        current.pop_back();
        return;
    }
    for (const char variant :
         {static_cast<char>(std::toupper(uc)), static_cast<char>(std::tolower(uc))}) {
        current.push_back(variant);
        AddCaseVariants(pattern, from + 1, current, out);
        current.pop_back();
    }
}

std::optional<std::string> ChooseFile(const platform::OpenFileRequest& request) {
    long style = wxFD_OPEN;
    if (request.mustExist) style |= wxFD_FILE_MUST_EXIST;
    wxWindow* parent = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    // The toolkit's open dialog cannot pre-set a name that is a pattern; the filter lists the
    // same names that "*.WAV" in the name field would.
    wxFileDialog dialog(parent, wxString::FromUTF8(request.title), wxEmptyString, wxEmptyString,
                        OpenFileWildcard(request), style);
    dialog.SetFilterIndex(request.initialFilter);
    if (dialog.ShowModal() != wxID_OK) return std::nullopt;
    return std::string(dialog.GetPath().fn_str());
}

}  // namespace

wxString OpenFileWildcard(const platform::OpenFileRequest& request) {
    wxString patterns;
    std::string current;
    wxString wildcard;
    // Without a first type of its own the request lists only its extra types.
    if (!request.filterLabel.empty()) {
        AddCaseVariants(request.presetName, 0, current, patterns);
        wildcard = wxString::FromUTF8(request.filterLabel) + "|" + patterns;
    }
    for (const platform::OpenFileFilter& filter : request.extraFilters) {
        wxString extra;
        for (const std::string& pattern : filter.patterns)
            AddCaseVariants(pattern, 0, current, extra);
        if (!wildcard.empty()) wildcard += "|";
        wildcard += wxString::FromUTF8(filter.label) + "|" + extra;
    }
    return wildcard;
}

void InstallGuiSeams() {
    platform::SetMessagePresenter(PresentMessageBox, WakeMessageThread);
    platform::SetOpenFileChooser(ChooseFile);
}

void RemoveGuiSeams() {
    platform::SetOpenFileChooser(nullptr);
    platform::SetMessagePresenter(nullptr);
}

}  // namespace kavrin
