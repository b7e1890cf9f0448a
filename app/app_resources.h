// The shell's resources: menu 128, accelerator table 128, toolbar 128 with its images, icon 128
// and the version record.
#pragma once

#include <wx/accel.h>
#include <wx/bitmap.h>
#include <wx/iconbndl.h>

class wxMenuBar;
class wxToolBar;

namespace kavrin {

// "Input", "&View" and "&Help" with their items.
wxMenuBar* CreateMainMenu();
// All virtual-key accelerators of table 128.
wxAcceleratorTable CreateAccelerators();
// Buttons New, Open, Save, separator, Cut, Copy, Paste, separator, Print, About, each with its
// image, tooltip and fly-by prompt. False when the toolbar cannot take them.
bool LoadMainToolBar(wxToolBar* toolBar);
// Image `index` (0..7) of bitmap 128, 16 x 15 pixels.
wxBitmap ToolBarImage(int index);
// Icon 128: 32 x 32 and 16 x 16.
wxIconBundle ApplicationIcons();
wxBitmap ApplicationIcon32();

struct VersionInfo {
    const char* fileVersion;  // "1, 0, 0, 1"
    const char* productVersion;
    const char* fileDescription;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
    const char* companyName;
    const char* legalTrademarks;
};
const VersionInfo& Version();

}  // namespace kavrin
