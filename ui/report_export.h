// Timeline > Export Report...: gathers the report's facts from the timeline (the whole session,
// its segments, their statistics and the baseline) and the form's settings, and writes the PDF.
//
// Threads: user-interface thread only.
#pragma once

#include <wx/frame.h>

#include <functional>
#include <string>

#include "ui/report_facts.h"

namespace kavrin {

class CTimeline;

class CReportExport {
public:
    using Settings = std::function<ReportSettings()>;
    CReportExport(wxFrame* frame, CTimeline& timeline, Settings settings);

    // Binds the command and its enabling (only while the timeline holds rows) on `handler`.
    void BindCommand(wxEvtHandler& handler);
    void OnExportReport();
    // Writes the report to `path`; empty on success, else why not (also shown in a message box).
    std::string Export(const std::string& path);
    // The facts the report holds, as Export gathers them.
    ReportFacts Facts() const;

private:
    wxFrame* m_frame;
    CTimeline& m_timeline;
    Settings m_settings;
};

}  // namespace kavrin
