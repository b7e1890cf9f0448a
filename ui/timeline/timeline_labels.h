// The labelled segments of the timeline: made from the selection (or between two marks), their
// edges dragged and their texts changed in the label row, deleted with Delete; their statistics,
// their import and export as Audacity, Praat or ELAN labels, and the sidecar kept beside a
// reviewed recording or a played file (loaded when its rows begin to arrive, written on every
// change) and beside a live recording (written when it ends, and on every change after).
//
// Segments are kept in timeline seconds; what leaves the window (sidecar, label files,
// statistics) is in seconds of the recording or run the segment lies in.
//
// Threads: user-interface thread only.
#pragma once

#include <wx/frame.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
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
struct EndedRecording;

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

    // The sidecars of the reviews and played files whose runs arrived since the last call come
    // in; the marks of a played file are set as its rows reach them. After every drain.
    void TakeNewRuns();
    // A live recording of the line's session `session` ended: the segments and marks of its
    // stretch are kept beside it, in its own seconds.
    void KeepRecording(const EndedRecording& ended, std::uint32_t session);
    // The sidecars of the recordings shown are written again (after any change).
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
    // A recording whose labels are kept beside it: the run that shows it (the newest), where
    // in that run it begins and how long it is (a live recording may be a stretch of its run),
    // and the labels of its sidecar the window does not show, in the recording's seconds: marks
    // the playing file has not reached yet, segments beyond where it stopped.
    struct KeptRecording {
        std::size_t run = 0;
        double offset = 0.0;
        double length = std::numeric_limits<double>::infinity();
        std::vector<kavrin_labels::Segment> held;
        // Its sidecar was read or written: written again after a change, so that a label
        // deleted stays deleted.
        bool saved = false;
    };

    // Segments and marks of run `run` (of its stretch from `offset` seconds for `length`), in
    // seconds of that stretch.
    kavrin_labels::LabelSet LabelsOfRun(
        std::size_t run, double offset = 0.0,
        double length = std::numeric_limits<double>::infinity()) const;
    kavrin_labels::LabelSet LabelsToKeep(const KeptRecording& kept) const;
    // Reads the sidecar of run `run`'s recording; true when it held labels.
    bool LoadKept(std::size_t run);
    // The marks held back whose time the rows of their run have reached.
    void PlaceHeldMarks();
    // Run `run` has ended at timeline second `end`: its recording's segments beyond are held.
    void HoldBeyond(std::size_t run, double end);
    void Status(const std::string& text);
    void AddMarkNear(std::size_t run, double seconds, const std::string& text);

    wxFrame* m_frame;
    CEvaluationLog& m_log;
    CTimelinePane& m_pane;
    CTimelineReview& m_review;
    std::vector<kavrin_labels::Segment> m_segments;
    std::optional<kavrin_labels::Segment> m_baseline;  // timeline seconds
    std::size_t m_seenRuns = 0;
    std::map<std::string, KeptRecording> m_kept;  // by the recording's path
};

}  // namespace kavrin
