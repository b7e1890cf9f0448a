// Kavrin's message box: caption "Kavrin", the icon (exclamation or stop) beside the exact text,
// and one OK button; Return and Escape close it. The toolkit's own message dialog draws no image
// on GTK 3, so the two kinds of message would look alike.
#pragma once

#include <wx/dialog.h>

#include "platform/services/message_box.h"

class wxStaticBitmap;

namespace kavrin {

class CKavrinMessageDlg : public wxDialog {
public:
    CKavrinMessageDlg(wxWindow* parent, const wxString& text, platform::MessageIcon icon);

    const wxString& GetText() const { return m_text; }
    platform::MessageIcon GetIconKind() const { return m_icon; }
    wxStaticBitmap* GetImage() const { return m_image; }

private:
    wxString m_text;
    platform::MessageIcon m_icon;
    wxStaticBitmap* m_image = nullptr;
};

}  // namespace kavrin
