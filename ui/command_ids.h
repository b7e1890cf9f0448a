// Kavrin's command IDs and the toolkit IDs they travel under.
//
// The menu, accelerator and toolbar commands keep their historical numbers (32772..32780 for the
// program's own menu, 57600.. and 59392.. for the framework's commands) as named constants. The
// toolkit refuses menu and tool IDs of 32767 and above, so one table maps each command to an ID of
// a private block above the toolkit's own (wxID_HIGHEST) and below 32767. Nothing but this table
// decides that mapping.
#pragma once

#include <cstddef>

namespace kavrin {

enum CommandId : int {
    ID_INPUT_FILE = 32772,
    ID_INPUT_TELEPHONE = 32773,
    ID_TESTGEN_START = 32775,
    ID_TESTGEN_STOP = 32776,
    ID_TESTGEN_SETPARAMS = 32777,
    ID_LINE_ON = 32778,
    ID_LINE_OFF = 32779,
    ID_HELP_CONTENTS = 32780,
    // Beyond the historical menu: Input > "Decode Audio Files", Input > Line (Mixer) > "Record",
    // Input > "Sound Devices...".
    ID_INPUT_DECODE = 32790,
    ID_LINE_RECORD = 32791,
    ID_INPUT_SOUND_DEVICES = 32792,
    // Input > "Stop File".
    ID_INPUT_STOP_FILE = 32820,

    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_PRINT = 57607,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,

    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    // The Timeline menu.
    ID_TIMELINE_SHOW = 32800,
    ID_TIMELINE_MARK = 32801,
    ID_TIMELINE_EXPORT_CSV = 32802,
    ID_TIMELINE_EXPORT_PNG = 32803,
    ID_TIMELINE_CLEAR = 32804,
    ID_TIMELINE_REVIEW = 32805,
    ID_TIMELINE_CANCEL_REVIEW = 32806,
    ID_TIMELINE_PLAY = 32807,
    ID_TIMELINE_LOOP = 32808,
    ID_TIMELINE_LABEL = 32809,
    ID_TIMELINE_STATISTICS = 32810,
    ID_TIMELINE_IMPORT_LABELS = 32811,
    ID_TIMELINE_EXPORT_LABELS = 32812,
    ID_TIMELINE_READING_QUALITY = 32813,
    ID_TIMELINE_BASELINE = 32814,
    ID_TIMELINE_REPORT = 32815,
};

// Every command of the table, in table order.
extern const CommandId kAllCommands[];
extern const std::size_t kCommandCount;

// The toolkit ID of a command; -1 (wxID_ANY) for a number that is not a command.
int ToolkitId(int commandId);
// The command of a toolkit ID; 0 for an ID outside the table.
int CommandFromToolkitId(int toolkitId);

// The private block of toolkit IDs, first and last inclusive.
int FirstToolkitCommandId();
int LastToolkitCommandId();

}  // namespace kavrin
