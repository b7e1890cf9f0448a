// Timeline > Segment Statistics: one row per segment (label, times, evaluations, the readings'
// instantaneous frequency in Hz, the average frequency, magnitude and lamp shares), sorted by a
// click on a column, copied as tab-separated text with Ctrl+C, and written as CSV by "Export
// Segment Statistics..." (the same table as kavrin-analyze --segments).
//
// Threads: user-interface thread only.
#pragma once

#include <wx/dialog.h>
#include <wx/listctrl.h>

#include <string>
#include <vector>

#include "labels/segment_statistics.h"

namespace kavrin {

// The table as the dialog shows it, for the report: the column titles, and one row's cells (the
// label, then the numbers rounded as shown; empty where there is no value).
std::vector<std::string> SegmentTableTitles();
std::vector<std::string> SegmentTableCells(const kavrin_labels::SegmentStatistics& row);

class CSegmentStatisticsDlg : public wxDialog {
public:
    CSegmentStatisticsDlg(wxWindow* parent, std::vector<kavrin_labels::SegmentStatistics> table);

    // The rows in the order shown.
    const std::vector<kavrin_labels::SegmentStatistics>& Table() const { return m_table; }
    wxListCtrl* List() const { return m_list; }
    // Sorts by column `column`; the same column again turns the order round.
    void SortBy(int column);
    // The rows shown (all, or the selected ones when any is), a header first, tab-separated,
    // numbers in full.
    std::string CopyText() const;
    // Writes the table as CSV; empty on success, else the reason.
    std::string ExportTo(const std::string& path) const;

private:
    void Fill();
    void OnExport(wxCommandEvent&);
    void OnKey(wxKeyEvent& event);

    wxListCtrl* m_list = nullptr;
    std::vector<kavrin_labels::SegmentStatistics> m_table;
    int m_sortColumn = -1;
    bool m_ascending = true;
};

}  // namespace kavrin
