#include "app/kavrin_doc_manager.h"

#include <wx/filehistory.h>

#include "ui/string_table.h"
#include "ui/tolmar_disp.h"

namespace kavrin {
namespace {

constexpr int kRecentFileCount = 4;

}  // namespace

CKavrinDocManager::CKavrinDocManager() : wxDocManager(0, false) {
    // Initialised here, not by the base, so that the recent-file list is this class's.
    Initialize();
    SetMaxDocsOpen(1);
}

wxString CKavrinDocManager::MakeNewDocumentName() {
    return LoadString(AFX_IDS_UNTITLED);
}

wxString CKavrinDocManager::MakeFrameTitle(wxDocument* doc) {
    const wxString appTitle = LoadString(IDR_MAINFRAME);
    if (!doc) return appTitle;
    return doc->GetUserReadableName() + " - " + appTitle;
}

wxFileHistory* CKavrinDocManager::OnCreateFileHistory() {
    return new wxFileHistory(kRecentFileCount);
}

bool CKavrinDocManager::CreateFirstDocument(const wxString& path) {
    wxDocument* doc = CreateDocument(wxEmptyString, wxDOC_NEW);
    if (!doc) return false;
    if (CTolmarDisp* view = GetView()) view->OnChangeFilename();
    if (!path.empty()) return OpenDocumentFile(path);
    if (CTolmarDisp* view = GetView()) view->OnInitialUpdate();
    return true;
}

bool CKavrinDocManager::NewDocument() {
    wxDocument* doc = GetDocument();
    if (!doc || !doc->OnNewDocument()) return false;
    if (CTolmarDisp* view = GetView()) view->OnInitialUpdate();
    return true;
}

bool CKavrinDocManager::OpenDocumentFile(const wxString& path) {
    wxDocument* doc = GetDocument();
    if (!doc || !doc->OnOpenDocument(path)) return false;
    AddFileToHistory(path);
    if (CTolmarDisp* view = GetView()) view->OnInitialUpdate();
    return true;
}

wxDocument* CKavrinDocManager::GetDocument() const {
    const wxList& docs = const_cast<CKavrinDocManager*>(this)->GetDocuments();
    return docs.empty() ? nullptr : static_cast<wxDocument*>(docs.GetFirst()->GetData());
}

CTolmarDisp* CKavrinDocManager::GetView() const {
    wxDocument* doc = GetDocument();
    return doc ? dynamic_cast<CTolmarDisp*>(doc->GetFirstView()) : nullptr;
}

}  // namespace kavrin
