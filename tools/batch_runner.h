// A batch of input files: analysed one after the other or several at once (each in a process of
// its own, with its own analyzer), the rows of standard output always in the order of the
// inputs, every outcome reported on standard error in that order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/analysis_job.h"

namespace kavrin_analyze {

struct BatchSettings {
    RunSettings run;
    unsigned jobs = 1;
    std::string outputDir;  // empty: rows to the output stream
    std::string
        inputRoot;  // the CSVs mirror the inputs' paths from here (empty: their common folder)
    bool skipExisting = false;
    bool progressBar = false;  // one bar for the whole batch on standard error
    bool summaries = false;    // one line per input on standard error
};

// What became of one input, reported in input order.
struct BatchOutcome {
    JobResult result;
    bool skipped = false;
};

class BatchReporter {
public:
    BatchReporter(const BatchSettings& settings, std::FILE* errors)
        : m_settings(settings), m_errors(errors) {}
    // The line for an input: its error, or with summaries what was written or skipped.
    std::string Line(const std::string& input, const std::string& name,
                     const BatchOutcome& outcome) const;
    void Report(const std::string& input, const std::string& name, const BatchOutcome& outcome);

private:
    const BatchSettings& m_settings;
    std::FILE* m_errors;
};

// Analyses the inputs; without an output directory the rows (no header) go to `out`. True when
// every input was analysed or skipped.
bool RunBatch(const std::vector<std::string>& inputs, const BatchSettings& settings,
              std::FILE* out);

// The number of processors this process may run on (at least 1).
unsigned ProcessorCount();

}  // namespace kavrin_analyze
