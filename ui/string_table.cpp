#include "ui/string_table.h"

#include <cstddef>

namespace kavrin {
namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {IDR_MAINFRAME, "Windows Tolmar (Tolmar)"},
    {AFX_IDS_APP_TITLE, "Kavrin"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {57600, "Create a new document\nNew"},
    {57601, "Open an existing document\nOpen"},
    {57603, "Save the active document\nSave"},
    {57607, "Print the active document\nPrint"},
    {57634, "Copy the selection and put it on the Clipboard\nCopy"},
    {57635, "Cut the selection and put it on the Clipboard\nCut"},
    {57637, "Insert Clipboard contents\nPaste"},
    {57643, "Undo the last action\nUndo"},
    {57664, "Display program information, version number and copyright\nAbout"},
    {57680, "Switch to the next window pane\nNext Pane"},
    {57681, "Switch back to the previous window pane\nPrevious Pane"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_HELP_CONTEXT, "Help context"},
    {59392, "Show or hide the toolbar\nToggle ToolBar"},
    {59393, "Show or hide the status bar\nToggle StatusBar"},
    {32792, "Choose the sound devices that Line On and File open\nSound Devices"},
    {32820, "End the file being played and analysed\nStop File"},
    {32800, "Show or hide the timeline of every evaluation\nTimeline"},
    {32801, "Mark the latest evaluation (with Shift: type the mark's text)\nMark"},
    {32802, "Save the timeline's evaluations and marks as CSV\nExport CSV"},
    {32803, "Save the timeline's plot as a PNG picture\nExport PNG"},
    {32815,
     "Save a PDF report: the recording, its SHA-256, the settings, the whole session's plot, "
     "the segment table and what the measure is and is not\nExport Report"},
    {32804, "Forget every evaluation, segment and mark of the timeline\nClear"},
    {32805, "Open a recording and analyse all of it at once, to see, seek and listen\nReview"},
    {32806, "Stop the review in progress (Escape in the timeline)\nCancel Review"},
    {32807,
     "Play the reviewed recording from the playhead or the selection, or pause (Space in the "
     "timeline)\nPlay"},
    {32808, "Play the selection again and again\nLoop Selection"},
    {32809,
     "Make a labelled segment of the selection (or of the stretch between two marks)\nLabel "
     "Selection"},
    {32810,
     "Show each segment's evaluations, frequencies in Hz and lamps as a table\nSegment "
     "Statistics"},
    {32811, "Read Audacity, Praat or ELAN labels into the recording shown\nImport Labels"},
    {32812, "Save the recording's segments and marks for Audacity, Praat or ELAN\nExport Labels"},
    {32814,
     "Take the clicked segment (or the one under the playhead) as the speaker's baseline\nUse "
     "Segment as Baseline"},
    {32813,
     "Set how much of a block must be voiced for its evaluation to count as a reading\nReading "
     "Quality"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDP_FAILED_TO_CREATE_DOC, "Failed to create empty document."},
    {AFX_IDP_FAILED_TO_LAUNCH_HELP, "Failed to launch help."},
    {AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
    {AFX_IDP_PARSE_UINT, "Please enter a positive integer."},
};

}  // namespace

std::string LoadString(int id) {
    for (const Entry& entry : kStrings)
        if (entry.id == id) return entry.text;
    return {};
}

std::string CommandPrompt(int id) {
    const std::string text = LoadString(id);
    return text.substr(0, text.find('\n'));
}

std::string CommandTooltip(int id) {
    const std::string text = LoadString(id);
    const std::size_t newline = text.find('\n');
    return newline == std::string::npos ? std::string() : text.substr(newline + 1);
}

std::string RangeMessage(long low, long high) {
    std::string text = LoadString(AFX_IDP_PARSE_INT_RANGE);
    const auto replace = [&text](const std::string& marker, long value) {
        const std::size_t at = text.find(marker);
        if (at != std::string::npos) text.replace(at, marker.size(), std::to_string(value));
    };
    replace("%1", low);
    replace("%2", high);
    return text;
}

}  // namespace kavrin
