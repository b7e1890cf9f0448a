#include "app/kavrin_doc.h"

#include <wx/filename.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "app/kavrin_app.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "ui/command_map.h"
#include "ui/string_table.h"

namespace kavrin {
namespace {

// The failure of a document file, in the words of the file errors elsewhere in the program.
void ReportFileFailure(const wxString& filename, int osError) {
    const std::string path = filename.ToStdString(wxConvFile);
    const platform::CFileException error(platform::CFileException::CauseFromErrno(osError), osError,
                                         path);
    platform::ShowMessage(error.what());
}

// True when the file exists and holds at least one byte.
bool HoldsData(const wxString& filename) {
    std::error_code error;
    const auto size = std::filesystem::file_size(filename.fn_str().data(), error);
    return !error && size > 0;
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CKavrinDoc, wxDocument);

CKavrinDoc::CKavrinDoc() {
    BindCommand(*this, ID_FILE_SAVE, this, &CKavrinDoc::OnFileSave);
}

bool CKavrinDoc::OnNewDocument() {
    return wxDocument::OnNewDocument();
}

bool CKavrinDoc::OnOpenDocument(const wxString& filename) {
    if (!wxDocument::OnOpenDocument(filename)) return false;
    TakeName(filename);
    return true;
}

void CKavrinDoc::OnFileSave() {
    // Saving writes the empty document: over a file that holds data (one that was opened, or
    // that was written since) that would destroy it without a word, so such a file goes through
    // "Save As" and its overwrite question.
    if (!GetDocumentSaved() || GetFilename().empty() || HoldsData(GetFilename()))
        SaveAs();
    else
        OnSaveDocument(GetFilename());
}

bool CKavrinDoc::SaveAs() {
    const wxString path =
        wxGetApp().AskDocumentPath(LoadString(AFX_IDS_SAVEFILE), GetUserReadableName(), true);
    if (path.empty()) return false;
    if (!OnSaveDocument(path)) return false;
    TakeName(path);
    GetDocumentManager()->AddFileToHistory(path);
    return true;
}

void CKavrinDoc::TakeName(const wxString& path) {
    SetTitle(wxFileName(path).GetFullName());
    SetFilename(path, true);
}

bool CKavrinDoc::DoSaveDocument(const wxString& filename) {
    errno = 0;
    std::ofstream file(filename.fn_str(), std::ios::binary | std::ios::trunc);
    if (!file) {
        ReportFileFailure(filename, errno);
        return false;
    }
    return true;
}

bool CKavrinDoc::DoOpenDocument(const wxString& filename) {
    errno = 0;
    std::ifstream file(filename.fn_str(), std::ios::binary);
    if (!file) {
        ReportFileFailure(filename, errno);
        return false;
    }
    return true;
}

}  // namespace kavrin
