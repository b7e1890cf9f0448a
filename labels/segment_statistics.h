// What happened inside each segment: the evaluations whose block lies inside it, their band
// frequencies in Hz, magnitude and lamps. One computation for the window's table and for
// kavrin-analyze --segments, so both give the same numbers to the bit from the same rows.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "analysis/evaluation_csv.h"
#include "analysis/evaluation_ring.h"
#include "analysis/lamp.h"
#include "analysis/reading_validity.h"
#include "labels/segment.h"

namespace kavrin_labels {

// One evaluation as the statistics read it.
struct StatisticsRow {
    double timeSeconds = 0.0;  // end of the block the evaluation shifted in, seconds of signal
    double instFreq = 0.0;     // band index; 65535 when the band held no energy
    double avgFreq = 0.0;      // band index
    double magnitude = 0.0;
    EvaluationLamp lamp = EvaluationLamp::None;
    // The voiced share of the block (NaN when not measured: then only the band decides).
    double voicedShare = std::numeric_limits<double>::quiet_NaN();
};

// A band index held when the band had no energy: the evaluation is no reading.
inline constexpr double kNoReadingIndex = 65535.0;
// The length of the block an evaluation shifts in: 4096 samples at 11025 per second.
inline constexpr double kBlockSeconds = 4096.0 / 11025.0;

// A band index as Hz: 8.0 + 0.1 x index.
double IndexToHz(double index);

// An evaluation belongs to a segment when the whole block it shifted in lies inside it:
// start <= time - kBlockSeconds and time <= end. (The reading also depends on the three blocks
// of history before; the block shifted in is what the evaluation added.) A mark holds none.
bool BlockInside(const Segment& segment, double timeSeconds);

struct SegmentStatistics {
    Segment segment;
    std::uint64_t evaluations = 0;  // rows whose block lies inside
    // Of those, rows without a reading (JudgeReading: no band energy, or too little voicing):
    // in no mean or share.
    std::uint64_t noReading = 0;
    std::uint64_t readings = 0;  // evaluations - noReading
    // Over the readings, in Hz; NaN (written empty) when there is none (the standard deviation,
    // sample form with n - 1, when there are fewer than two).
    double instMeanHz = 0.0;
    double instSdHz = 0.0;
    double instMinHz = 0.0;
    double instMaxHz = 0.0;
    double avgMeanHz = 0.0;
    double magnitudeMean = 0.0;
    // Lamps of the readings that have one (a row the window drained before its first tick has
    // none); the shares are of those, NaN when there is none.
    std::uint64_t lamps = 0;
    double redShare = 0.0;
    double yellowShare = 0.0;
    double greenShare = 0.0;
    // The mean's difference from a baseline's (see baseline.h), in Hz and in the baseline's
    // standard deviations; NaN without a baseline. The window's table only, not the CSV.
    double baselineDiffHz = std::numeric_limits<double>::quiet_NaN();
    double baselineDiffSd = std::numeric_limits<double>::quiet_NaN();
};

// One result per segment, in the order given. Rows may come in any order; sums run in row order.
// A row voiced less than `minVoicedShare` is no reading.
std::vector<SegmentStatistics> ComputeSegmentStatistics(
    std::span<const Segment> segments, std::span<const StatisticsRow> rows,
    double minVoicedShare = kDefaultMinVoicedShare);

// Whether a row is a reading by that rule.
bool IsReading(const StatisticsRow& row, double minVoicedShare = kDefaultMinVoicedShare);

// The window's rows: their signal time and the lamp the tick gave them.
StatisticsRow RowFromRecord(const EvaluationRow& record);

// kavrin-analyze's rows, judged as a tick right after the evaluation would: the reference by
// `mode` from this row's own average and threshold, the "Threshold adjust" value, and the source
// (a file run: the file source; --live and the tone: the live source).
StatisticsRow RowFromEvaluation(const EvaluationRow& row, kavrin::LampMode mode,
                                std::int32_t thresholdAdjust, bool fileSource);

EvaluationLamp ToEvaluationLamp(kavrin::LampColour colour);

// The table as CSV (RFC 4180, header row, doubles in the shortest form that reads back to the
// same double, an empty field where there is no value):
// label,start,end,duration,evaluations,no_reading,inst_mean_hz,inst_sd_hz,inst_min_hz,
// inst_max_hz,avg_mean_hz,magnitude_mean,red_share,yellow_share,green_share
std::string StatisticsCsvHeader();
std::string StatisticsCsvRow(const SegmentStatistics& statistics);
std::string StatisticsCsv(std::span<const SegmentStatistics> table);

}  // namespace kavrin_labels
