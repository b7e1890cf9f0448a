// The report as a PDF, through cairo's PDF surface: the first page names the recording (hash,
// format), the settings and the date and shows the whole session's plot, drawn by the very code
// that draws the timeline pane; then the segment table with the baseline deviations; then the
// fixed statement of what the measure is and is not.
//
// Threads: user-interface thread (the toolkit's fonts).
#pragma once

#include <wx/font.h>

#include <string>

#include "ui/report_facts.h"
#include "ui/timeline/timeline_layout.h"

namespace kavrin {

// The plot is drawn at this many layout pixels across, scaled to the page's width.
inline constexpr int kReportPlotWidth = 1500;
inline constexpr int kReportPlotHeight = 640;

// Writes the report to `path`; an empty string on success, else why not.
std::string WriteReportPdf(const std::string& path, const ReportFacts& facts,
                           const TimelineLayout& plot, const wxFont& plotFont);

}  // namespace kavrin
