// Where the recordings go and what they are called: $XDG_MUSIC_DIR/Kavrin/ (else ~/Music/Kavrin/),
// kavrin-YYYY-MM-DD-HHMMSS.wav in local time, with "-2", "-3", ... before the extension when a
// file of that name exists already.
#pragma once

#include <ctime>
#include <string>

// The folder, without creating it.
std::string RecordingFolder();
// A path in `folder` for a recording begun at `when` that names no existing file. The folder is
// created (with its parents) when missing; "" with the reason in `error` when it cannot be.
std::string NewRecordingPath(const std::string& folder, std::time_t when, std::string* error);
