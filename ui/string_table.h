// The program's string table: window titles, command prompts ("prompt\ntooltip"), indicator texts
// and the framework texts the program shows. Shared by the form (its dialogs' messages) and the
// shell (everything else).
#pragma once

#include <string>

namespace kavrin {

enum StringId : int {
    IDR_MAINFRAME = 128,
    AFX_IDS_APP_TITLE = 57344,
    AFX_IDS_IDLEMESSAGE = 57345,
    ID_INDICATOR_CAPS = 59137,
    ID_INDICATOR_NUM = 59138,
    ID_INDICATOR_SCRL = 59139,
    ID_HELP_CONTEXT = 59142,
    AFX_IDS_OPENFILE = 61440,
    AFX_IDS_SAVEFILE = 61441,
    AFX_IDS_ALLFILTER = 61442,
    AFX_IDS_UNTITLED = 61443,
    AFX_IDP_FAILED_TO_CREATE_DOC = 61700,
    AFX_IDP_FAILED_TO_LAUNCH_HELP = 61703,
    AFX_IDP_PARSE_INT_RANGE = 61714,
    AFX_IDP_PARSE_UINT = 61719,
};

// The text of a string (commands' entries too, under their command numbers); empty when the
// table has none, as for the program's own menu commands.
std::string LoadString(int id);
// A command's status-bar prompt: the text before "\n".
std::string CommandPrompt(int id);
// A command's tooltip: the text after "\n" (empty when there is none).
std::string CommandTooltip(int id);
// "Please enter an integer between %1 and %2." with the bounds put in.
std::string RangeMessage(long low, long high);

}  // namespace kavrin
