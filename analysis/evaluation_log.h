// The session timeline's store: every evaluation the pumps left in their rings, kept in order
// with the session segments (a new segment at each new start of a source) and the user's marks,
// until the user clears it. Written out as kavrin-analyze's CSV with a `mark` column.
//
// Threads: user-interface thread only; the pumps reach it only through their rings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/evaluation_ring.h"

class CTremorAnalyzer;

class CEvaluationLog {
public:
    // About 54 hours of real-time blocks. The tone runs faster than real time and could
    // otherwise fill the memory; rows beyond this are counted, not kept.
    static constexpr std::size_t kMaxRows = std::size_t{1} << 19;
    static constexpr int kAnalyzerCount = 2;

    struct Segment {
        std::size_t firstRow = 0;
        int analyzer = 0;  // which ring the rows came from
        std::uint32_t session = 0;
        EvaluationSource source = EvaluationSource::Line;
        std::string name;           // the file's path for a file run
        double startSeconds = 0.0;  // where it begins on the timeline
    };
    struct Mark {
        std::size_t row = 0;
        std::string label;
    };
    using Completion = std::function<void(EvaluationRow&)>;

    // Takes every row waiting in the analyzer's ring; `complete` (may be empty) fills in what
    // only the tick knows, the lamp. Returns how many rows arrived.
    std::size_t Drain(CTremorAnalyzer& analyzer, int analyzerId, const Completion& complete);
    // One row from analyzer `analyzerId`; a session other than the last row's starts a segment.
    void Append(int analyzerId, EvaluationRow row, const std::string& name = {});

    const std::deque<EvaluationRow>& Rows() const { return m_rows; }
    const std::vector<Segment>& Segments() const { return m_segments; }
    const std::vector<Mark>& Marks() const { return m_marks; }
    bool Empty() const { return m_rows.empty(); }
    // The segment that holds row `row`.
    std::size_t SegmentOf(std::size_t row) const;
    // The rows whose timeline time lies in [from, to], as an index range [first, last).
    std::pair<std::size_t, std::size_t> RowsBetween(double from, double to) const;
    // The timeline time of the newest row (0 when empty).
    double EndSeconds() const { return m_rows.empty() ? 0.0 : m_rows.back().timelineSeconds; }

    // A mark at the newest row, labelled with `label` or, when that is empty, with the next
    // number ("1", "2", ...). False when there is no row to mark.
    bool AddMark(const std::string& label = {});
    // A mark at row `row` (the newest when the mark was asked for, though rows arrived since).
    bool AddMarkAt(std::size_t row, const std::string& label = {});

    // Rows lost since the last Clear: rings that overflowed between two ticks, and rows beyond
    // kMaxRows.
    std::uint64_t LostRows() const;
    // What an export of the rows lacks, said beside it: empty when no row was lost.
    std::string LostRowsNote() const;

    // Forgets rows, segments and marks; numbering of marks starts again at "1".
    void Clear();

    // kavrin-analyze's header, columns and number format, then `mark`.
    void WriteCsv(std::ostream& out) const;

    // Memory held by the rows (what the timeline costs per row kept).
    std::size_t RowBytes() const { return m_rows.size() * sizeof(EvaluationRow); }

private:
    std::deque<EvaluationRow> m_rows;
    std::vector<Segment> m_segments;
    std::vector<Mark> m_marks;
    int m_nextMarkNumber = 1;
    std::uint64_t m_dropped = 0;
    std::uint64_t m_ringLost[kAnalyzerCount] = {};
    std::uint64_t m_ringLostAtClear[kAnalyzerCount] = {};
};
