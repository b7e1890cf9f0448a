// The labelled segments of the timeline: made from the selection (or between two marks), their
// edges dragged and their texts changed in the label row, deleted with Delete; their statistics,
// their import and export as Audacity, Praat or ELAN labels, and the sidecar kept beside a
// reviewed recording (loaded when its review ends, written on every change).
//
// Segments are kept in timeline seconds; what leaves the window (sidecar, label files,
// statistics) is in seconds of the recording or run the segment lies in.
//
// Threads: user-interface thread only.
#pragma once

#include <wx/frame.h>

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "analysis/evaluation_log.h"
#include "labels/baseline.h"
#include "labels/segment.h"
#include "labels/segment_statistics.h"

namespace kavrin {

class CTimelinePane;
class CTimelineReview;

class CTimelineLabels {
public:
    CTimelineLabels(wxFrame* frame, CEvaluationLog& log, CTimelinePane& pane,
                    CTimelineReview& review);
    ~CTimelineLabels();
    CTimelineLabels(const CTimelineLabels&) = delete;
    CTimelineLabels& operator=(const CTimelineLabels&) = delete;

    // Timeline seconds, in the order made.
    const std::vector<kavrin_labels::Segment>& Segments() const { return m_segments; }

    // The commands.
    void OnLabelSelection();
    void OnStatistics();
    void OnImport();
    void OnExport();

    // The steps behind them, for the commands and the tests.
    // The stretch a new segment takes: the selection, else the two marks around the playhead
    // (without a playhead: the last two marks).
    std::optional<std::pair<double, double>> StretchToLabel() const;
    bool AddSegment(double start, double end, const std::string& text);
    bool Rename(std::size_t index);  // asks for the text
    bool SetText(std::size_t index, const std::string& text);
    bool Delete(std::size_t index);
    // Delete: the segment last clicked in the label row, else the shortest under the playhead.
    bool DeleteCurrent();
    // With a baseline, each row's difference from it.
    std::vector<kavrin_labels::SegmentStatistics> Statistics() const;
    std::vector<kavrin_labels::SegmentStatistics> StatisticsOf(
        const std::vector<kavrin_labels::Segment>& segments) const;
    // The segment last clicked in the label row, else the shortest under the playhead.
    std::optional<std::size_t> CurrentSegment() const;
    // Timeline > Use Segment as Baseline: the current segment's readings; false (with a word
    // in the message pane) when there is no segment or it holds fewer than two readings.
    bool UseAsBaseline();
    bool UseAsBaseline(std::size_t index);
    // Recomputed from the rows (the reading threshold may have changed).
    std::optional<kavrin_labels::Baseline> CurrentBaseline() const;
    // Draws the baseline band anew.
    void RefreshBaseline();
    // Reads a label file into the recording shown; empty on success, else the message.
    std::string Import(const std::string& path);
    // The recording shown's segments and marks; empty on success, else the message.
    std::string Export(const std::string& path) const;

    // The sidecars of reviews that arrived since the last call come in.
    void TakeNewRuns();
    // The sidecars of the reviewed recordings are written again (after any change).
    void Changed();
    // Segments or marks would be lost by a Clear.
    bool HoldsWork() const;
    // Timeline > Clear: the window forgets them (the sidecars stay as they are).
    void Clear();

private:
    // The run (log segment) a timeline time lies in.
    std::optional<std::size_t> RunAt(double seconds) const;
    // The run that imports and exports concern: the reviewed recording's, else the newest.
    std::optional<std::size_t> ShownRun() const;
    // Segments and marks of run `run`, in its own seconds.
    kavrin_labels::LabelSet LabelsOfRun(std::size_t run) const;
    void Status(const std::string& text);
    void AddMarkNear(std::size_t run, double seconds, const std::string& text);

    wxFrame* m_frame;
    CEvaluationLog& m_log;
    CTimelinePane& m_pane;
    CTimelineReview& m_review;
    std::vector<kavrin_labels::Segment> m_segments;
    std::optional<kavrin_labels::Segment> m_baseline;  // timeline seconds
    std::size_t m_seenRuns = 0;
    // Recordings whose sidecar was read or written: they are written again after a change, so
    // that a label deleted stays deleted.
    std::set<std::string> m_kept;
};

}  // namespace kavrin
