#include "labels/segment_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kavrin_labels {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Field(double value) {
    return std::isnan(value) ? std::string() : kavrin_analyze::FormatDouble(value);
}

}  // namespace

double IndexToHz(double index) {
    return 8.0 + 0.1 * index;
}

bool BlockInside(const Segment& segment, double timeSeconds) {
    return segment.start <= timeSeconds - kBlockSeconds && timeSeconds <= segment.end;
}

bool IsReading(const StatisticsRow& row, double minVoicedShare) {
    return JudgeReading(row.instFreq, row.voicedShare, minVoicedShare) == ReadingValidity::Reading;
}

std::vector<SegmentStatistics> ComputeSegmentStatistics(std::span<const Segment> segments,
                                                        std::span<const StatisticsRow> rows,
                                                        double minVoicedShare) {
    std::vector<SegmentStatistics> table;
    table.reserve(segments.size());
    // A session's rows come in time order: then each segment reads only its own stretch (the
    // same rows in the same order as a full pass, so the same sums).
    const bool sorted = std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.timeSeconds < b.timeSeconds;
    });
    for (const Segment& segment : segments) {
        std::span<const StatisticsRow> stretch = rows;
        if (sorted) {
            const auto first = std::partition_point(rows.begin(), rows.end(), [&](const auto& row) {
                return !(segment.start <= row.timeSeconds - kBlockSeconds);
            });
            const auto last = std::partition_point(
                first, rows.end(), [&](const auto& row) { return row.timeSeconds <= segment.end; });
            stretch = std::span<const StatisticsRow>(first, last);
        }
        SegmentStatistics s;
        s.segment = segment;
        double instSum = 0.0, avgSum = 0.0, magnitudeSum = 0.0;
        double instMin = std::numeric_limits<double>::infinity();
        double instMax = -std::numeric_limits<double>::infinity();
        std::uint64_t red = 0, yellow = 0, green = 0;
        for (const StatisticsRow& row : stretch) {
            if (!BlockInside(segment, row.timeSeconds)) continue;
            ++s.evaluations;
            if (!IsReading(row, minVoicedShare)) {
                ++s.noReading;
                continue;
            }
            ++s.readings;
            const double hz = IndexToHz(row.instFreq);
            instSum += hz;
            instMin = std::min(instMin, hz);
            instMax = std::max(instMax, hz);
            avgSum += IndexToHz(row.avgFreq);
            magnitudeSum += row.magnitude;
            red += row.lamp == EvaluationLamp::Red;
            yellow += row.lamp == EvaluationLamp::Yellow;
            green += row.lamp == EvaluationLamp::Green;
        }
        const double n = static_cast<double>(s.readings);
        if (s.readings == 0) {
            s.instMeanHz = s.instSdHz = s.instMinHz = s.instMaxHz = kNaN;
            s.avgMeanHz = s.magnitudeMean = kNaN;
        } else {
            s.instMeanHz = instSum / n;
            s.instMinHz = instMin;
            s.instMaxHz = instMax;
            s.avgMeanHz = avgSum / n;
            s.magnitudeMean = magnitudeSum / n;
            // Two passes: the deviations from the mean, not a difference of large sums.
            double squares = 0.0;
            for (const StatisticsRow& row : stretch) {
                if (!BlockInside(segment, row.timeSeconds) || !IsReading(row, minVoicedShare))
                    continue;
                const double deviation = IndexToHz(row.instFreq) - s.instMeanHz;
                squares += deviation * deviation;
            }
            s.instSdHz = s.readings < 2 ? kNaN : std::sqrt(squares / (n - 1.0));
        }
        s.lamps = red + yellow + green;
        const double lamps = static_cast<double>(s.lamps);
        s.redShare = s.lamps == 0 ? kNaN : static_cast<double>(red) / lamps;
        s.yellowShare = s.lamps == 0 ? kNaN : static_cast<double>(yellow) / lamps;
        s.greenShare = s.lamps == 0 ? kNaN : static_cast<double>(green) / lamps;
        table.push_back(std::move(s));
    }
    return table;
}

StatisticsRow RowFromRecord(const EvaluationRow& record) {
    return StatisticsRow{record.timeSeconds, record.instFreq, record.avgFreq,
                         record.magnitude,   record.lamp,     JudgedVoicedShare(record)};
}

EvaluationLamp ToEvaluationLamp(kavrin::LampColour colour) {
    switch (colour) {
        case kavrin::LampColour::Red:
            return EvaluationLamp::Red;
        case kavrin::LampColour::Yellow:
            return EvaluationLamp::Yellow;
        case kavrin::LampColour::Green:
            return EvaluationLamp::Green;
    }
    return EvaluationLamp::None;
}

StatisticsRow RowFromEvaluation(const EvaluationRow& row, kavrin::LampMode mode,
                                std::int32_t thresholdAdjust, bool fileSource) {
    const std::int32_t reference =
        kavrin::LampReference(mode, thresholdAdjust, row.avgFreq, row.threshold, fileSource);
    return StatisticsRow{row.timeSeconds,
                         row.instFreq,
                         row.avgFreq,
                         row.magnitude,
                         ToEvaluationLamp(kavrin::LampFor(reference, row.instFreq)),
                         row.quality.voicedShare};
}

std::string StatisticsCsvHeader() {
    return "label,start,end,duration,evaluations,no_reading,inst_mean_hz,inst_sd_hz,inst_min_hz,"
           "inst_max_hz,avg_mean_hz,magnitude_mean,red_share,yellow_share,green_share\n";
}

std::string StatisticsCsvRow(const SegmentStatistics& s) {
    using kavrin_analyze::FormatDouble;
    std::string line = kavrin_analyze::QuoteCsvField(s.segment.text);
    for (const std::string& field :
         {FormatDouble(s.segment.start), FormatDouble(s.segment.end),
          FormatDouble(s.segment.end - s.segment.start), std::to_string(s.evaluations),
          std::to_string(s.noReading), Field(s.instMeanHz), Field(s.instSdHz), Field(s.instMinHz),
          Field(s.instMaxHz), Field(s.avgMeanHz), Field(s.magnitudeMean), Field(s.redShare),
          Field(s.yellowShare), Field(s.greenShare)}) {
        line += ',';
        line += field;
    }
    return line + "\n";
}

std::string StatisticsCsv(std::span<const SegmentStatistics> table) {
    std::string csv = StatisticsCsvHeader();
    for (const SegmentStatistics& s : table) csv += StatisticsCsvRow(s);
    return csv;
}

}  // namespace kavrin_labels
