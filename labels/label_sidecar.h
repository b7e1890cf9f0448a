// The labels kept beside a recording: RECORDING.kavrin-labels.txt (the recording's whole name
// and a suffix, so that take.wav and take.flac in one folder keep labels of their own and the
// sidecar sorts next to its recording).
//
// A small versioned text format, UTF-8, one record per line, fields separated by tabs:
//
//     kavrin-labels<TAB>1
//     recording<TAB>take.wav
//     tier<TAB>labels
//     segment<TAB>START<TAB>END<TAB>TEXT      (a mark: START equal to END)
//     baseline<TAB>START<TAB>END              (the stretch taken as the baseline, if any)
//
// Times in seconds, written in the shortest form that reads back to the same double. In the
// texts, backslash, tab, line feed and carriage return are written \\, \t, \n and \r. A reader
// of version 1 skips records it does not know (later records, such as a baseline, fit in
// without breaking it) and refuses a file of a higher version.
#pragma once

#include <string>
#include <string_view>

#include "labels/label_result.h"

namespace kavrin_labels {

inline constexpr int kSidecarVersion = 1;

// RECORDING.kavrin-labels.txt beside `recordingPath`.
std::string SidecarPathFor(const std::string& recordingPath);

// True for a name that ends in .kavrin-labels.txt.
bool IsSidecarName(const std::string& path);

// `media` becomes the recording record (the recording's file name); `duration` is not kept.
LabelWriteResult FormatSidecar(const LabelSet& labels);

LabelReadResult ParseSidecar(std::string_view bytes);

// SidecarPathFor(recordingPath), written atomically, naming the recording's file. Empty on
// success, else the reason.
std::string SaveSidecar(const std::string& recordingPath, const LabelSet& labels);

// The sidecar of `recordingPath`. `found` false (and no error) when there is none.
LabelReadResult LoadSidecar(const std::string& recordingPath, bool* found);

}  // namespace kavrin_labels
