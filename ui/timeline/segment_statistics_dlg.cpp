#include "ui/timeline/segment_statistics_dlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/evaluation_csv.h"
#include "labels/atomic_file.h"
#include "platform/services/message_box.h"
#include "ui/timeline/timeline.h"

namespace kavrin {
namespace {

using kavrin_labels::SegmentStatistics;

struct Column {
    const char* title;
    int width;  // characters
    // The value sorted by and shown; NaN when there is none.
    double (*value)(const SegmentStatistics&);
    int decimals;
};

double Share(double share) {
    return share * 100.0;
}

const Column kColumns[] = {
    {"Label", 18, nullptr, 0},
    {"Start (s)", 9, [](const SegmentStatistics& s) { return s.segment.start; }, 3},
    {"End (s)", 9, [](const SegmentStatistics& s) { return s.segment.end; }, 3},
    {"Duration (s)", 9, [](const SegmentStatistics& s) { return s.segment.end - s.segment.start; },
     3},
    {"Evaluations", 8,
     [](const SegmentStatistics& s) { return static_cast<double>(s.evaluations); }, 0},
    {"No reading", 8, [](const SegmentStatistics& s) { return static_cast<double>(s.noReading); },
     0},
    {"Inst. mean (Hz)", 9, [](const SegmentStatistics& s) { return s.instMeanHz; }, 3},
    {"Inst. SD (Hz)", 9, [](const SegmentStatistics& s) { return s.instSdHz; }, 3},
    {"Inst. min (Hz)", 9, [](const SegmentStatistics& s) { return s.instMinHz; }, 1},
    {"Inst. max (Hz)", 9, [](const SegmentStatistics& s) { return s.instMaxHz; }, 1},
    {"Avg. mean (Hz)", 9, [](const SegmentStatistics& s) { return s.avgMeanHz; }, 3},
    {"Magnitude", 9, [](const SegmentStatistics& s) { return s.magnitudeMean; }, 1},
    {"Red %", 6, [](const SegmentStatistics& s) { return Share(s.redShare); }, 1},
    {"Yellow %", 6, [](const SegmentStatistics& s) { return Share(s.yellowShare); }, 1},
    {"Green %", 6, [](const SegmentStatistics& s) { return Share(s.greenShare); }, 1},
    {"Vs. baseline (Hz)", 9, [](const SegmentStatistics& s) { return s.baselineDiffHz; }, 3},
    {"Vs. baseline (SD)", 9, [](const SegmentStatistics& s) { return s.baselineDiffSd; }, 2},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

std::string Shown(double value, int decimals) {
    if (std::isnan(value)) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Full(double value) {
    return std::isnan(value) ? std::string() : kavrin_analyze::FormatDouble(value);
}

// A label as one tab-separated field.
std::string OneField(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

}  // namespace

std::vector<std::string> SegmentTableTitles() {
    std::vector<std::string> titles;
    for (const Column& column : kColumns) titles.emplace_back(column.title);
    return titles;
}

std::vector<std::string> SegmentTableCells(const SegmentStatistics& row) {
    std::vector<std::string> cells{row.segment.text};
    for (int c = 1; c < kColumnCount; ++c)
        cells.push_back(Shown(kColumns[c].value(row), kColumns[c].decimals));
    return cells;
}

CSegmentStatisticsDlg::CSegmentStatisticsDlg(wxWindow* parent, std::vector<SegmentStatistics> table)
    : wxDialog(parent, wxID_ANY, "Segment Statistics", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_table(std::move(table)) {
    m_list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxLC_REPORT | wxBORDER_SUNKEN);
    const int cw = GetCharWidth();
    int total = 0;
    for (int c = 0; c < kColumnCount; ++c) {
        m_list->AppendColumn(kColumns[c].title, c == 0 ? wxLIST_FORMAT_LEFT : wxLIST_FORMAT_RIGHT,
                             kColumns[c].width * cw + cw * 2);
        total += kColumns[c].width * cw + cw * 2;
    }
    m_list->Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) { SortBy(event.GetColumn()); });
    m_list->Bind(wxEVT_KEY_DOWN, &CSegmentStatisticsDlg::OnKey, this);
    Fill();

    auto* note = new wxStaticText(
        this, wxID_ANY,
        "Frequencies in Hz over the evaluations whose block lies inside the segment; evaluations "
        "without a reading (no energy in the band) are counted apart and enter no mean.");
    auto* exportButton = new wxButton(this, wxID_ANY, "&Export Segment Statistics...");
    exportButton->Bind(wxEVT_BUTTON, &CSegmentStatisticsDlg::OnExport, this);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(exportButton, 0, wxRIGHT, cw);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_OK, "Close"));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_list, 1, wxEXPAND | wxALL, cw);
    sizer->Add(note, 0, wxLEFT | wxRIGHT, cw);
    sizer->Add(buttons, 0, wxEXPAND | wxALL, cw);
    SetSizer(sizer);
    note->Wrap(std::min(total, 120 * cw));
    SetSize(wxSize(std::min(total + 4 * cw, 140 * cw), 26 * GetCharHeight()));
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_OK);
}

void CSegmentStatisticsDlg::Fill() {
    m_list->DeleteAllItems();
    for (std::size_t r = 0; r < m_table.size(); ++r) {
        const SegmentStatistics& s = m_table[r];
        const std::vector<std::string> cells = SegmentTableCells(s);
        const long item = m_list->InsertItem(static_cast<long>(r), wxString::FromUTF8(cells[0]));
        for (int c = 1; c < kColumnCount; ++c) m_list->SetItem(item, c, cells[c]);
    }
}

void CSegmentStatisticsDlg::SortBy(int column) {
    if (column < 0 || column >= kColumnCount) return;
    m_ascending = column == m_sortColumn ? !m_ascending : true;
    m_sortColumn = column;
    const bool ascending = m_ascending;
    std::stable_sort(m_table.begin(), m_table.end(),
                     [column, ascending](const SegmentStatistics& a, const SegmentStatistics& b) {
                         if (column == 0)
                             return ascending ? a.segment.text < b.segment.text
                                              : b.segment.text < a.segment.text;
                         const double x = kColumns[column].value(a);
                         const double y = kColumns[column].value(b);
                         // Rows without a value go last either way.
                         if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
                         return ascending ? x < y : y < x;
                     });
    Fill();
}

std::string CSegmentStatisticsDlg::CopyText() const {
    std::string text;
    for (int c = 0; c < kColumnCount; ++c) text += std::string(c ? "\t" : "") + kColumns[c].title;
    text += '\n';
    const bool selectedOnly = m_list->GetSelectedItemCount() > 0;
    for (std::size_t r = 0; r < m_table.size(); ++r) {
        if (selectedOnly && !(m_list->GetItemState(static_cast<long>(r), wxLIST_STATE_SELECTED) &
                              wxLIST_STATE_SELECTED))
            continue;
        const SegmentStatistics& s = m_table[r];
        text += OneField(s.segment.text);
        for (int c = 1; c < kColumnCount; ++c) text += '\t' + Full(kColumns[c].value(s));
        text += '\n';
    }
    return text;
}

std::string CSegmentStatisticsDlg::ExportTo(const std::string& path) const {
    return kavrin_labels::WriteFileAtomically(path, kavrin_labels::StatisticsCsv(m_table));
}

void CSegmentStatisticsDlg::OnExport(wxCommandEvent&) {
    const std::string path = AskTimelinePath(this, "Export Segment Statistics",
                                             "segment-statistics.csv", "CSV files (*.csv)|*.csv");
    if (path.empty()) return;
    const std::string error = ExportTo(path);
    if (!error.empty()) platform::ShowMessage("Cannot write " + path + ": " + error);
}

void CSegmentStatisticsDlg::OnKey(wxKeyEvent& event) {
    if (event.GetKeyCode() == 'C' && event.ControlDown()) {
        if (wxTheClipboard->Open()) {
            wxTheClipboard->SetData(new wxTextDataObject(wxString::FromUTF8(CopyText())));
            wxTheClipboard->Close();
        }
        return;
    }
    if (event.GetKeyCode() == 'A' && event.ControlDown()) {
        for (long i = 0; i < m_list->GetItemCount(); ++i)
            m_list->SetItemState(i, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        return;
    }
    event.Skip();
}

}  // namespace kavrin
