// What the report says, gathered before anything is drawn: the recording and its hash, the
// settings, the session, the readings left out, the segment table as text and the fixed
// statement of the measure. No toolkit here, so that the same facts can go to a PDF or a page.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "analysis/evaluation_ring.h"
#include "analysis/reading_validity.h"

namespace kavrin {

struct ReportSettings {
    std::int32_t volumeAdjust = 10;
    std::int32_t thresholdAdjust = 75;
    std::string referenceMode;  // the form's radio button: "Fixed freq." ...
    bool decoding = false;      // Input > Decode Audio Files
    double minVoicedShare = kDefaultMinVoicedShare;
};

struct ReportInput {
    ReportSettings settings;
    // The recording the report is about: the reviewed one, else the file run last; empty for a
    // session of the sound card or the test tone only.
    std::string recordingPath;
    double recordingSeconds = 0.0;
    std::string sessionSources;  // "review", "file, line" ...
    double sessionSeconds = 0.0;
    const std::deque<EvaluationRow>* rows = nullptr;
    std::string baseline;  // the baseline in words, empty without one
    std::vector<std::string> tableTitles;
    std::vector<std::vector<std::string>> tableRows;
    std::string version;
    std::time_t now = 0;
};

struct ReportFacts {
    std::string title;
    // "Label", "value" lines of the first page, in order.
    std::vector<std::pair<std::string, std::string>> lines;
    std::string baseline;
    std::string leftOut;  // which readings were left out and why, counted
    std::vector<std::string> tableTitles;
    std::vector<std::vector<std::string>> tableRows;
    std::vector<std::string> statement;  // paragraphs
};

// Hashes the recording (streamed) and reads its format; never fails: what cannot be read is
// said in its line.
ReportFacts CollectReportFacts(const ReportInput& input);

// "1:02:03" or "2:05.4" for a length in seconds.
std::string FormatReportLength(double seconds);

}  // namespace kavrin
