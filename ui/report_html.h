// The report as one self-contained HTML page: the same facts and the same pages' content as the
// PDF, the plot as a PNG inside the page (a data: URI), so that the page travels as one file.
//
// Threads: user-interface thread (the toolkit's bitmaps).
#pragma once

#include <wx/font.h>

#include <string>

#include "ui/report_facts.h"
#include "ui/timeline/timeline_layout.h"

namespace kavrin {

// The page as text.
std::string ReportHtml(const ReportFacts& facts, const TimelineLayout& plot,
                       const wxFont& plotFont);

}  // namespace kavrin
