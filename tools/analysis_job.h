// One input of a batch, analysed by its own analyzer: its rows go to a stream, or, with an
// output directory, to its own CSV, written under a partial name and renamed once complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "tools/analysis_runner.h"

namespace kavrin_analyze {

struct JobResult {
    std::uint64_t rows = 0;
    double seconds = 0.0;  // of signal: the last row's time
    std::string error;     // empty when the input was analysed (and its CSV is complete)
    std::string note;      // said on standard error, not an error (a contradicting header)
    bool skipped = false;  // its CSV appeared after the batch began (another batch wrote it)
};

struct JobTarget {
    std::FILE* stream = nullptr;  // rows without a header, when there is no output directory
    std::string directory;        // else: the CSV goes to directory/name
    std::string name;             // may hold folders, made under the directory as needed
    bool skipExisting = false;    // leave the input out when its CSV has appeared meanwhile
};

// Analyses `input`. With a directory the CSV (header and rows) is complete and in place when
// the result has no error; on an error nothing is left under its name or the partial name.
// An input another process holds (another batch analysing it, the window playing it) is waited
// for; with skipExisting, one whose CSV appeared since the batch began is then skipped.
JobResult RunJob(const std::string& input, const RunSettings& settings, const JobTarget& target,
                 const ProgressSink& progress);

// Opens the folder a CSV named `name` (relative, folders separated by '/') goes to under
// `directory`, making the folders on the way (unless `make` is false) and following no link
// inside `directory`; -1 with errno set when that fails. `leaf` gets the CSV's own file name.
int OpenCsvFolder(const std::string& directory, const std::string& name, std::string* leaf,
                  bool make = true);

// Removes the partial file of a job in progress when SIGINT, SIGTERM, SIGHUP or SIGPIPE end
// the process, so that an interrupted batch leaves only whole CSVs. Call once per process.
void RemovePartialFilesOnSignals();

}  // namespace kavrin_analyze
