#include "app/app_resources.h"

#include <wx/image.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include "app/resources/kavrin_16.xpm"
#include "app/resources/kavrin_32.xpm"
#include "app/resources/toolbar.xpm"
#include "ui/command_ids.h"
#include "ui/string_table.h"

namespace kavrin {
namespace {

constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;

wxMenuItem* AppendCommand(wxMenu* menu, int commandId, const char* caption,
                          wxItemKind kind = wxITEM_NORMAL) {
    return menu->Append(ToolkitId(commandId), caption, wxString(CommandPrompt(commandId)), kind);
}

}  // namespace

wxMenuBar* CreateMainMenu() {
    auto* line = new wxMenu;
    AppendCommand(line, ID_LINE_ON, "On");
    AppendCommand(line, ID_LINE_OFF, "Off");
    AppendCommand(line, ID_LINE_RECORD, "Record", wxITEM_CHECK);
    auto* generator = new wxMenu;
    AppendCommand(generator, ID_TESTGEN_START, "Start");
    AppendCommand(generator, ID_TESTGEN_STOP, "Stop");
    AppendCommand(generator, ID_TESTGEN_SETPARAMS, "Set Params");
    auto* input = new wxMenu;
    input->AppendSubMenu(line, "Line (Mixer)");
    AppendCommand(input, ID_INPUT_FILE, "File");
    AppendCommand(input, ID_INPUT_STOP_FILE, "Stop File");
    AppendCommand(input, ID_INPUT_DECODE, "Decode Audio Files", wxITEM_CHECK);
    input->AppendSubMenu(generator, "Test Generator");
    AppendCommand(input, ID_INPUT_TELEPHONE, "Telephone");
    AppendCommand(input, ID_INPUT_SOUND_DEVICES, "Sound Devices...");

    auto* timeline = new wxMenu;
    AppendCommand(timeline, ID_TIMELINE_SHOW, "&Show Timeline\tCtrl+T", wxITEM_CHECK);
    AppendCommand(timeline, ID_TIMELINE_MARK, "&Mark\tCtrl+M");
    AppendCommand(timeline, ID_TIMELINE_EXPORT_CSV, "Export &CSV...\tCtrl+E");
    AppendCommand(timeline, ID_TIMELINE_EXPORT_PNG, "Export &PNG...");
    AppendCommand(timeline, ID_TIMELINE_REPORT, "Export &Report...");
    AppendCommand(timeline, ID_TIMELINE_CLEAR, "C&lear");
    timeline->AppendSeparator();
    AppendCommand(timeline, ID_TIMELINE_REVIEW, "&Review Recording...\tCtrl+R");
    AppendCommand(timeline, ID_TIMELINE_CANCEL_REVIEW, "Cancel Re&view");
    AppendCommand(timeline, ID_TIMELINE_PLAY, "&Play/Pause");
    AppendCommand(timeline, ID_TIMELINE_LOOP, "Loop Selection", wxITEM_CHECK);
    timeline->AppendSeparator();
    AppendCommand(timeline, ID_TIMELINE_LABEL, "&Label Selection...\tCtrl+L");
    AppendCommand(timeline, ID_TIMELINE_STATISTICS, "Segment &Statistics");
    AppendCommand(timeline, ID_TIMELINE_IMPORT_LABELS, "&Import Labels...");
    AppendCommand(timeline, ID_TIMELINE_EXPORT_LABELS, "E&xport Labels...");
    AppendCommand(timeline, ID_TIMELINE_BASELINE, "Use Segment as &Baseline");
    timeline->AppendSeparator();
    AppendCommand(timeline, ID_TIMELINE_READING_QUALITY, "Reading &Quality...");

    auto* view = new wxMenu;
    AppendCommand(view, ID_VIEW_TOOLBAR, "&Toolbar", wxITEM_CHECK);
    AppendCommand(view, ID_VIEW_STATUS_BAR, "&Status Bar", wxITEM_CHECK);

    auto* help = new wxMenu;
    AppendCommand(help, ID_APP_ABOUT, "&About Kavrin...");
    AppendCommand(help, ID_HELP_CONTENTS, "Contents");

    auto* bar = new wxMenuBar;
    bar->Append(input, "Input");
    bar->Append(timeline, "&Timeline");
    bar->Append(view, "&View");
    bar->Append(help, "&Help");
    return bar;
}

wxAcceleratorTable CreateAccelerators() {
    const wxAcceleratorEntry entries[] = {
        {wxACCEL_CTRL, 'N', ToolkitId(ID_FILE_NEW)},
        {wxACCEL_CTRL, 'O', ToolkitId(ID_FILE_OPEN)},
        {wxACCEL_CTRL, 'S', ToolkitId(ID_FILE_SAVE)},
        {wxACCEL_CTRL, 'Z', ToolkitId(ID_EDIT_UNDO)},
        {wxACCEL_CTRL, 'X', ToolkitId(ID_EDIT_CUT)},
        {wxACCEL_CTRL, 'C', ToolkitId(ID_EDIT_COPY)},
        {wxACCEL_CTRL, 'V', ToolkitId(ID_EDIT_PASTE)},
        {wxACCEL_ALT, WXK_BACK, ToolkitId(ID_EDIT_UNDO)},
        {wxACCEL_SHIFT, WXK_DELETE, ToolkitId(ID_EDIT_CUT)},
        {wxACCEL_CTRL, WXK_INSERT, ToolkitId(ID_EDIT_COPY)},
        {wxACCEL_SHIFT, WXK_INSERT, ToolkitId(ID_EDIT_PASTE)},
        {wxACCEL_NORMAL, WXK_F6, ToolkitId(ID_NEXT_PANE)},
        {wxACCEL_SHIFT, WXK_F6, ToolkitId(ID_PREV_PANE)},
        // Ctrl+T, Ctrl+M and Ctrl+E are the menu items' own shortcuts, shown beside them.
        {wxACCEL_CTRL | wxACCEL_SHIFT, 'M', ToolkitId(ID_TIMELINE_MARK)},
    };
    return wxAcceleratorTable(static_cast<int>(sizeof(entries) / sizeof(entries[0])), entries);
}

wxBitmap ToolBarImage(int index) {
    static const wxBitmap strip(toolbar_xpm);
    return strip.GetSubBitmap(wxRect(index * kImageWidth, 0, kImageWidth, kImageHeight));
}

bool LoadMainToolBar(wxToolBar* toolBar) {
    if (!toolBar) return false;
    toolBar->SetToolBitmapSize(wxSize(kImageWidth, kImageHeight));
    int image = 0;
    const auto add = [&](int commandId) {
        toolBar->AddTool(ToolkitId(commandId), wxString(CommandTooltip(commandId)),
                         ToolBarImage(image++), wxString(CommandTooltip(commandId)), wxITEM_NORMAL);
        toolBar->SetToolLongHelp(ToolkitId(commandId), wxString(CommandPrompt(commandId)));
    };
    add(ID_FILE_NEW);
    add(ID_FILE_OPEN);
    add(ID_FILE_SAVE);
    toolBar->AddSeparator();
    add(ID_EDIT_CUT);
    add(ID_EDIT_COPY);
    add(ID_EDIT_PASTE);
    toolBar->AddSeparator();
    add(ID_FILE_PRINT);
    add(ID_APP_ABOUT);
    return toolBar->Realize();
}

wxIconBundle ApplicationIcons() {
    wxIconBundle icons;
    icons.AddIcon(wxIcon(kavrin_32_xpm));
    icons.AddIcon(wxIcon(kavrin_16_xpm));
    return icons;
}

wxBitmap ApplicationIcon32() {
    return wxBitmap(kavrin_32_xpm);
}

const VersionInfo& Version() {
    static const VersionInfo version{
        "1, 0, 0, 1", "1, 0, 0, 1", "Kavrin MFC Application",
        "Kavrin",     "Kavrin.EXE", "Kavrin Application",
        "",           "",
    };
    return version;
}

}  // namespace kavrin
