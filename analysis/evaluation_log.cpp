#include "analysis/evaluation_log.h"

#include <algorithm>

#include "analysis/evaluation_csv.h"
#include "analysis/tremor_analyzer.h"

std::size_t CEvaluationLog::Drain(CTremorAnalyzer& analyzer, int analyzerId,
                                  const Completion& complete) {
    if (analyzerId < 0 || analyzerId >= kAnalyzerCount) return 0;
    const std::size_t taken = analyzer.m_evaluations.Drain([&](const EvaluationRow& waiting) {
        EvaluationRow row = waiting;
        if (complete) complete(row);
        Append(analyzerId, row, analyzer.SessionName(row.session));
    });
    m_ringLost[analyzerId] = analyzer.m_evaluations.Lost();
    return taken;
}

void CEvaluationLog::Append(int analyzerId, EvaluationRow row, const std::string& name) {
    if (m_rows.size() >= kMaxRows) {
        ++m_dropped;
        return;
    }
    const bool newSegment = m_segments.empty() || m_segments.back().analyzer != analyzerId ||
                            m_segments.back().session != row.session;
    if (newSegment) {
        Segment segment;
        segment.firstRow = m_rows.size();
        segment.analyzer = analyzerId;
        segment.session = row.session;
        segment.source = row.source;
        segment.name = name;
        // Segments follow one another on the timeline: each begins where the previous ended,
        // less the signal time before its own first row.
        segment.startSeconds = EndSeconds();
        m_segments.push_back(std::move(segment));
    }
    row.timelineSeconds = m_segments.back().startSeconds + row.timeSeconds;
    // Time never runs backwards on the axis, whatever a source reports.
    if (!m_rows.empty() && row.timelineSeconds < m_rows.back().timelineSeconds)
        row.timelineSeconds = m_rows.back().timelineSeconds;
    m_rows.push_back(row);
}

std::size_t CEvaluationLog::SegmentOf(std::size_t row) const {
    const auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), row,
        [](std::size_t value, const Segment& segment) { return value < segment.firstRow; });
    return after == m_segments.begin() ? 0
                                       : static_cast<std::size_t>(after - m_segments.begin()) - 1;
}

std::pair<std::size_t, std::size_t> CEvaluationLog::RowsBetween(double from, double to) const {
    const auto first = std::lower_bound(
        m_rows.begin(), m_rows.end(), from,
        [](const EvaluationRow& row, double value) { return row.timelineSeconds < value; });
    const auto last = std::upper_bound(
        first, m_rows.end(), to,
        [](double value, const EvaluationRow& row) { return value < row.timelineSeconds; });
    return {static_cast<std::size_t>(first - m_rows.begin()),
            static_cast<std::size_t>(last - m_rows.begin())};
}

bool CEvaluationLog::AddMark(const std::string& label) {
    return !m_rows.empty() && AddMarkAt(m_rows.size() - 1, label);
}

bool CEvaluationLog::AddMarkAt(std::size_t row, const std::string& label) {
    if (row >= m_rows.size()) return false;
    Mark mark;
    mark.row = row;
    mark.label = label.empty() ? std::to_string(m_nextMarkNumber++) : label;
    // Kept in row order (the export walks rows and marks together); same row: in the order made.
    const auto at =
        std::upper_bound(m_marks.begin(), m_marks.end(), row,
                         [](std::size_t value, const Mark& m) { return value < m.row; });
    m_marks.insert(at, std::move(mark));
    return true;
}

std::uint64_t CEvaluationLog::LostRows() const {
    std::uint64_t lost = m_dropped;
    for (int i = 0; i < kAnalyzerCount; ++i) lost += m_ringLost[i] - m_ringLostAtClear[i];
    return lost;
}

std::string CEvaluationLog::LostRowsNote() const {
    const std::uint64_t lost = LostRows();
    if (lost == 0) return "";
    return std::to_string(lost) + " evaluations lost, not in it (the timeline keeps " +
           std::to_string(kMaxRows) + "; rows that came faster than the display took them)";
}

void CEvaluationLog::Clear() {
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_segments.clear();
    m_marks.clear();
    m_nextMarkNumber = 1;
    m_dropped = 0;
    for (int i = 0; i < kAnalyzerCount; ++i) m_ringLostAtClear[i] = m_ringLost[i];
}

void CEvaluationLog::WriteCsv(std::ostream& out) const {
    std::string header = kavrin_analyze::CsvHeader(false);
    header.pop_back();
    out << header << ",mark\n";
    std::size_t nextMark = 0;  // marks are kept in row order
    std::size_t segment = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        while (segment + 1 < m_segments.size() && m_segments[segment + 1].firstRow <= i) ++segment;
        const EvaluationRow& row = m_rows[i];
        const Segment* owner = m_segments.empty() ? nullptr : &m_segments[segment];
        const std::string file =
            owner && owner->source == EvaluationSource::File ? owner->name : std::string();
        std::string line = kavrin_analyze::FormatRow(file, row, false);
        line.pop_back();
        std::string labels;
        for (; nextMark < m_marks.size() && m_marks[nextMark].row == i; ++nextMark) {
            if (!labels.empty()) labels += "; ";
            labels += m_marks[nextMark].label;
        }
        out << line << ',' << kavrin_analyze::QuoteCsvField(labels) << '\n';
    }
}
