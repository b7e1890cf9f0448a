#include "app/kavrin_doc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/filename.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "app/file_names.h"
#include "app/kavrin_app.h"
#include "platform/services/file.h"
#include "platform/services/message_box.h"
#include "ui/command_map.h"
#include "ui/string_table.h"

namespace kavrin {
namespace {

// The failure of a document file, in the words of the file errors elsewhere in the program.
void ReportFileFailure(const wxString& filename, int osError) {
    const std::string path = FileNameBytes(filename);
    const platform::CFileException error(platform::CFileException::CauseFromErrno(osError), osError,
                                         path);
    platform::ShowMessage(error.what());
}

// What exists but is not a regular file (a FIFO would block the open for good, a device is no
// document) is refused with the file error; true when refused.
bool RefuseSpecialFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return false;
    try {
        platform::CFile::RequireRegularFile(path);
    } catch (const platform::CFileException& error) {
        platform::ShowMessage(error.what(), platform::MessageIcon::Stop);
    }
    return true;
}

// True when the file exists and holds at least one byte.
bool HoldsData(const wxString& filename) {
    std::error_code error;
    const auto size = std::filesystem::file_size(FileNameBytes(filename), error);
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
    if (RefuseSpecialFile(FileNameBytes(filename))) return false;
    // The document is empty: saving over a file that holds data (a recording, say) would erase
    // it, whatever the user answered before. Nothing is written.
    if (HoldsData(filename)) {
        platform::ShowMessage(FileNameBytes(filename) +
                              " holds data. Kavrin's document is empty; saving would erase the "
                              "file, so nothing was written.");
        return false;
    }
    errno = 0;
    std::ofstream file(FileNameBytes(filename), std::ios::binary | std::ios::trunc);
    if (!file) {
        ReportFileFailure(filename, errno);
        return false;
    }
    return true;
}

bool CKavrinDoc::DoOpenDocument(const wxString& filename) {
    const std::string path = FileNameBytes(filename);
    if (RefuseSpecialFile(path)) return false;
    // Never blocks, should the name have been replaced by a FIFO since the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        ReportFileFailure(filename, errno);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace kavrin
