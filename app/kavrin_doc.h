// CKavrinDoc: the document. It holds no data: Save writes an empty file, Open reads nothing, so
// any file opens; its name only reaches the caption and the recent-file list.
#pragma once

#include <wx/docview.h>

namespace kavrin {

class CKavrinDoc : public wxDocument {
public:
    CKavrinDoc();

    bool OnNewDocument() override;
    // Opens the file for reading to make sure it can be read, reads nothing, and names the
    // document after it.
    bool OnOpenDocument(const wxString& filename) override;
    // Asks for a name ("Save As") and writes an empty file under it.
    bool SaveAs() override;

    // The Save command: a document that was never saved, or whose file holds data, asks for a
    // name first; otherwise the (empty) file is written again.
    void OnFileSave();

protected:
    bool DoSaveDocument(const wxString& filename) override;
    bool DoOpenDocument(const wxString& filename) override;

private:
    // The document's name and path, after an open or a save under that path.
    void TakeName(const wxString& path);

    wxDECLARE_DYNAMIC_CLASS(CKavrinDoc);
};

}  // namespace kavrin
