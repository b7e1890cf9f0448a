#include "ui/command_ids.h"

namespace kavrin {
namespace {

// Above the toolkit's reserved IDs (wxID_HIGHEST is 5999) and its recent-file IDs.
constexpr int kFirstToolkitId = 6000;

}  // namespace

const CommandId kAllCommands[] = {
    ID_INPUT_FILE, ID_INPUT_TELEPHONE, ID_TESTGEN_START, ID_TESTGEN_STOP, ID_TESTGEN_SETPARAMS,
    ID_LINE_ON, ID_LINE_OFF, ID_HELP_CONTENTS, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE,
    ID_FILE_PRINT, ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_APP_ABOUT,
    ID_NEXT_PANE, ID_PREV_PANE, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_INPUT_DECODE,
    ID_LINE_RECORD,
    // The Timeline menu.
    ID_TIMELINE_SHOW, ID_TIMELINE_MARK, ID_TIMELINE_EXPORT_CSV, ID_TIMELINE_EXPORT_PNG,
    ID_TIMELINE_CLEAR, ID_TIMELINE_REVIEW, ID_TIMELINE_CANCEL_REVIEW, ID_TIMELINE_PLAY,
    ID_TIMELINE_LOOP, ID_TIMELINE_LABEL, ID_TIMELINE_STATISTICS, ID_TIMELINE_IMPORT_LABELS,
    ID_TIMELINE_EXPORT_LABELS, ID_TIMELINE_READING_QUALITY, ID_TIMELINE_BASELINE,
    // Input > "Sound Devices...".
    ID_INPUT_SOUND_DEVICES,
    // Input > "Stop File".
    ID_INPUT_STOP_FILE,
    // Timeline > "Export Report...".
    ID_TIMELINE_REPORT};
const std::size_t kCommandCount = sizeof(kAllCommands) / sizeof(kAllCommands[0]);

int ToolkitId(int commandId) {
    for (std::size_t i = 0; i < kCommandCount; ++i)
        if (kAllCommands[i] == commandId) return kFirstToolkitId + static_cast<int>(i);
    return -1;
}

int CommandFromToolkitId(int toolkitId) {
    const int index = toolkitId - kFirstToolkitId;
    if (index < 0 || index >= static_cast<int>(kCommandCount)) return 0;
    return kAllCommands[index];
}

int FirstToolkitCommandId() {
    return kFirstToolkitId;
}
int LastToolkitCommandId() {
    return kFirstToolkitId + static_cast<int>(kCommandCount) - 1;
}

}  // namespace kavrin
