// The status-bar pane of the recording: appended after the frame's other panes, empty and of no
// width while nothing is recorded, the file's name and length while a recording grows; once a
// recording has ended the message pane names its file (the full path, also in the pane's tooltip
// when it is shortened).
#pragma once

class wxFrame;

namespace kavrin {

// Appends the pane to the frame's status bar and keeps it up to date (four times a second).
void AddRecordingPane(wxFrame* frame);

}  // namespace kavrin
