// The document manager of the single-document interface: one template, one document and one view
// for the whole run. New and Open re-use them (the document is re-initialised or takes the file's
// name, and the view gets its initial update again) instead of replacing them, so running sources
// and the form stay as they are.
#pragma once

#include <wx/docview.h>

namespace kavrin {

class CTolmarDisp;

class CKavrinDocManager : public wxDocManager {
public:
    CKavrinDocManager();

    // "Untitled".
    wxString MakeNewDocumentName() override;
    // The document's name, " - ", and the title string 128.
    wxString MakeFrameTitle(wxDocument* doc) override;
    // A recent-file list of at most 4 entries.
    wxFileHistory* OnCreateFileHistory() override;

    // The first document, made with its view at start-up; with a path it is opened from that file.
    // False when it cannot be made (the application then ends).
    bool CreateFirstDocument(const wxString& path);
    // New: the document re-initialised, the view's initial update again.
    bool NewDocument();
    // Open: the document named after the file (which is read for nothing), the file entered in
    // the recent-file list, the view's initial update again.
    bool OpenDocumentFile(const wxString& path);

    wxDocument* GetDocument() const;
    CTolmarDisp* GetView() const;
};

}  // namespace kavrin
