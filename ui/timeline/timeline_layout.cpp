#include "ui/timeline/timeline_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kavrin {
namespace {

constexpr double kTopIndex = 40.0;  // 12.0 Hz
constexpr double kMaxIndex = 40.0;  // indices above the band (65535: no energy) leave a gap

// Steps for the time axis, in seconds.
constexpr double kTimeSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};

double Clamp(double value, double low, double high) {
    return std::min(std::max(value, low), high);
}

// Collects one point per pixel column (the column's last row) and breaks the line where the
// value leaves the band.
class PolylineBuilder {
public:
    explicit PolylineBuilder(std::vector<TimelinePolyline>& out) : m_out(out) {}
    void Add(double x, double y, bool valid) {
        if (!valid) {
            m_open = false;
            return;
        }
        if (!m_open) {
            m_out.emplace_back();
            m_open = true;
        }
        TimelinePolyline& line = m_out.back();
        if (!line.empty() && std::floor(line.back().x) == std::floor(x))
            line.back() = {x, y};
        else
            line.push_back({x, y});
    }

private:
    std::vector<TimelinePolyline>& m_out;
    bool m_open = false;
};

}  // namespace

std::string FormatMinutesSeconds(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const auto whole = static_cast<long long>(std::floor(seconds + 1e-9));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::string FormatHoursMinutesSeconds(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const auto whole = static_cast<long long>(std::floor(seconds + 1e-9));
    char text[40];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return text;
}

TimelineView FitTimeline(double from, double to) {
    TimelineView view;
    view.following = false;
    view.spanSeconds = Clamp(to - from, kMinTimelineSpan, kMaxTimelineSpan);
    view.endSeconds = std::max(to, from + view.spanSeconds);
    return view;
}

double TimelineSecondsAt(const TimelineLayout& layout, double x) {
    const double width = layout.plot.right - layout.plot.left;
    if (width <= 0.0) return layout.fromSeconds;
    return layout.fromSeconds +
           (x - layout.plot.left) / width * (layout.toSeconds - layout.fromSeconds);
}

void VisibleRange(const TimelineView& view, const CEvaluationLog& log, double& from, double& to) {
    const double span = Clamp(view.spanSeconds, kMinTimelineSpan, kMaxTimelineSpan);
    const double end = view.following ? std::max(log.EndSeconds(), span) : view.endSeconds;
    to = end;
    from = end - span;
}

TimelineView ZoomTimeline(const TimelineView& view, const CEvaluationLog& log, double factor,
                          double anchor) {
    double from = 0.0;
    double to = 0.0;
    VisibleRange(view, log, from, to);
    TimelineView zoomed = view;
    zoomed.spanSeconds = Clamp((to - from) * factor, kMinTimelineSpan, kMaxTimelineSpan);
    if (!view.following) {
        anchor = Clamp(anchor, 0.0, 1.0);
        const double at = from + (to - from) * anchor;
        zoomed.endSeconds = at + zoomed.spanSeconds * (1.0 - anchor);
    }
    return zoomed;
}

TimelineView PanTimeline(const TimelineView& view, const CEvaluationLog& log, double pixels,
                         double plotWidth) {
    double from = 0.0;
    double to = 0.0;
    VisibleRange(view, log, from, to);
    TimelineView panned = view;
    panned.following = false;
    panned.spanSeconds = to - from;
    const double perPixel = plotWidth > 0.0 ? (to - from) / plotWidth : 0.0;
    panned.endSeconds = to - pixels * perPixel;
    // Never further than one span beyond either end of the log.
    panned.endSeconds = Clamp(panned.endSeconds, panned.spanSeconds * 0.5,
                              std::max(log.EndSeconds(), panned.spanSeconds) + panned.spanSeconds);
    return panned;
}

TimelineLayout ComputeTimelineLayout(const CEvaluationLog& log, const TimelineView& view, int width,
                                     int height, const TimelineMetrics& metrics,
                                     const TimelineReviewOverlay* overlay) {
    TimelineLayout out;
    out.width = width;
    out.height = height;
    const double cw = std::max(metrics.charWidth, 1);
    const double ch = std::max(metrics.charHeight, 1);
    // Room for "12.0" and the axis on the left, a line of labels above the plot (marks and
    // segments), the strip and the time labels below.
    out.plot.left = cw * 6;
    out.plot.right = std::max(out.plot.left + 1, width - cw * 2);
    out.plot.top = ch * 1.5;
    const double stripHeight = std::max(ch * 0.7, 6.0);
    out.strip.bottom = std::max(out.plot.top + 2, height - ch * 1.6);
    out.strip.top = out.strip.bottom - stripHeight;
    out.plot.bottom = std::max(out.plot.top + 1, out.strip.top - ch * 0.3);
    out.strip.left = out.plot.left;
    out.strip.right = out.plot.right;
    const bool withLevel = overlay && overlay->envelope;
    if (withLevel) {
        // The recording's level between the plot and the lamps: pauses and turns show there.
        out.level.left = out.plot.left;
        out.level.right = out.plot.right;
        out.level.bottom = out.strip.top - ch * 0.2;
        out.level.top = std::max(out.plot.top + ch, out.level.bottom - std::max(ch * 2.2, 12.0));
        out.plot.bottom = std::max(out.plot.top + 1, out.level.top - ch * 0.2);
    }
    const bool withLabels = overlay && overlay->labels && !overlay->labels->empty();
    if (withLabels) {
        // The segments right above the lamps: one line of text.
        const double above = withLevel ? out.level.bottom : out.plot.bottom;
        out.labelRow.left = out.plot.left;
        out.labelRow.right = out.plot.right;
        out.labelRow.bottom = std::max(out.plot.top + 2, out.strip.top - ch * 0.2);
        out.labelRow.top = std::max(out.plot.top + 1, out.labelRow.bottom - ch * 1.3);
        const double shift = above - (out.labelRow.top - ch * 0.2);
        if (shift > 0) {
            // What sat over the strip moves up by the row's height.
            if (withLevel) {
                out.level.top = std::max(out.plot.top + 1, out.level.top - shift);
                out.level.bottom = std::max(out.level.top + 1, out.level.bottom - shift);
                out.plot.bottom = std::max(out.plot.top + 1, out.level.top - ch * 0.2);
            } else {
                out.plot.bottom = std::max(out.plot.top + 1, out.plot.bottom - shift);
            }
        }
    }

    VisibleRange(view, log, out.fromSeconds, out.toSeconds);
    const double from = out.fromSeconds;
    const double to = out.toSeconds;
    const double plotWidth = out.plot.right - out.plot.left;
    const double plotHeight = out.plot.bottom - out.plot.top;
    const auto xOf = [&](double seconds) {
        return out.plot.left + (seconds - from) / (to - from) * plotWidth;
    };
    const auto yOf = [&](double index) { return out.plot.bottom - index / kTopIndex * plotHeight; };

    if (overlay && overlay->baselineHz) {
        // 8.0 Hz is index 0, 0.1 Hz an index step.
        const auto yOfHz = [&](double hz) {
            return Clamp(yOf((hz - 8.0) * 10.0), out.plot.top, out.plot.bottom);
        };
        out.baseline = TimelineRect{out.plot.left, yOfHz(overlay->baselineHz->second),
                                    out.plot.right, yOfHz(overlay->baselineHz->first)};
    }

    // Frequency ticks every 0.5 Hz, labelled every 0.5 Hz when there is room, else every 1.0.
    const bool halfLabels = plotHeight / 8.0 >= ch * 1.1;
    for (int i = 0; i <= 40; i += 5) {
        TimelineTick tick;
        tick.position = yOf(i);
        if (halfLabels || i % 10 == 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%.1f", 8.0 + 0.1 * i);
            tick.label = text;
        }
        out.frequencyTicks.push_back(tick);
    }

    // Time ticks: the smallest step whose labels do not crowd each other.
    const bool hours = to >= 3600.0;
    const double labelWidth = cw * (hours ? 9 : 7);
    double step = kTimeSteps[std::size(kTimeSteps) - 1];
    for (double candidate : kTimeSteps) {
        if (candidate / (to - from) * plotWidth >= labelWidth) {
            step = candidate;
            break;
        }
    }
    for (double t = std::ceil(std::max(from, 0.0) / step) * step; t <= to + 1e-9; t += step)
        out.timeTicks.push_back(
            {xOf(t), hours ? FormatHoursMinutesSeconds(t) : FormatMinutesSeconds(t)});

    if (withLevel) {
        const CLevelEnvelope& envelope = *overlay->envelope;
        const double half = (out.level.bottom - out.level.top) / 2.0;
        const double middle = out.level.top + half;
        const double perColumn = (to - from) / plotWidth;
        const double recordingEnd = overlay->envelopeStart + envelope.Seconds();
        for (double c = 0; c < plotWidth; ++c) {
            const double t1 = from + c * perColumn;
            const double t2 = t1 + perColumn;
            if (t2 < overlay->envelopeStart || t1 > recordingEnd) continue;
            const auto [low, high] =
                envelope.Range(t1 - overlay->envelopeStart, t2 - overlay->envelopeStart);
            // At least a pixel, so that silence still shows where the recording is.
            const double top = middle - high / 32768.0 * half;
            const double bottom = middle - low / 32768.0 * half;
            out.levelColumns.push_back(
                {out.plot.left + c, std::min(top, middle - 0.5), std::max(bottom, middle + 0.5)});
        }
    }
    if (overlay) out.progress = overlay->progress;
    if (overlay && overlay->playhead && *overlay->playhead >= from && *overlay->playhead <= to)
        out.playheadX = xOf(*overlay->playhead);
    if (overlay && overlay->selection) {
        const double x1 = Clamp(xOf(overlay->selection->first), out.plot.left, out.plot.right);
        const double x2 = Clamp(xOf(overlay->selection->second), out.plot.left, out.plot.right);
        if (x2 > x1) out.selectionX = std::make_pair(x1, x2);
    }

    // The rows on screen, with one neighbour each side so that the lines reach the edges.
    auto [first, last] = log.RowsBetween(from, to);
    if (first > 0) --first;
    if (last < log.Rows().size()) ++last;
    const auto& rows = log.Rows();
    const auto isReading = [&view](const EvaluationRow& row) {
        return JudgeReading(row.instFreq, JudgedVoicedShare(row), view.minVoicedShare) ==
               ReadingValidity::Reading;
    };
    PolylineBuilder inst(out.inst);
    PolylineBuilder avg(out.avg);
    PolylineBuilder reference(out.lampReference);
    std::size_t segment = log.Segments().empty() ? 0 : log.SegmentOf(first);
    bool bandOpen = false;
    double columnLow = 0.0;
    double columnHigh = 0.0;
    // Far more rows than pixel columns (a long stretch in view): the last row of each column
    // stands for it. The extremes only grow within a session, so the band loses nothing; the
    // lines show one value per column either way.
    std::vector<std::size_t> visit;
    const bool dense = static_cast<double>(last - first) > 4.0 * plotWidth;
    if (dense) {
        const double columns = std::ceil(plotWidth);
        visit.reserve(static_cast<std::size_t>(columns) + 2);
        visit.push_back(first);
        for (double c = 1; c <= columns + 1; ++c) {
            const double until = from + (to - from) * c / plotWidth;
            const auto end = std::upper_bound(
                rows.begin() + static_cast<std::ptrdiff_t>(first),
                rows.begin() + static_cast<std::ptrdiff_t>(last), until,
                [](double value, const EvaluationRow& row) { return value < row.timelineSeconds; });
            const auto index = static_cast<std::size_t>(end - rows.begin());
            if (index > visit.back() + 1) visit.push_back(index - 1);
        }
        if (visit.back() + 1 < last) visit.push_back(last - 1);
    }
    if (dense) {
        // Every row counts for the range of its column.
        const double scale = plotWidth / (to - from);
        long column = -1;
        double low = 0.0;
        double high = 0.0;
        const auto flush = [&] {
            if (column >= 0)
                out.instColumns.push_back({out.plot.left + column, yOf(high), yOf(low)});
        };
        const auto end = rows.begin() + static_cast<std::ptrdiff_t>(last);
        for (auto row = rows.begin() + static_cast<std::ptrdiff_t>(first); row != end; ++row) {
            const double inst = row->instFreq;
            if (inst > kMaxIndex || !isReading(*row)) continue;
            const auto at = static_cast<long>((row->timelineSeconds - from) * scale);
            if (at != column) {
                flush();
                column = at;
                low = high = inst;
            } else {
                low = std::min(low, inst);
                high = std::max(high, inst);
            }
        }
        flush();
    }
    const std::size_t count = dense ? visit.size() : last - first;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = dense ? visit[k] : first + k;
        const std::size_t following = dense ? (k + 1 < count ? visit[k + 1] : rows.size()) : i + 1;
        const EvaluationRow& row = rows[i];
        // A new segment breaks every line: its values do not continue the previous run's.
        bool breaks = false;
        while (segment + 1 < log.Segments().size() && log.Segments()[segment + 1].firstRow <= i) {
            ++segment;
            breaks = true;
        }
        if (breaks) {
            inst.Add(0, 0, false);
            avg.Add(0, 0, false);
            reference.Add(0, 0, false);
            bandOpen = false;
        }
        const double x = xOf(row.timelineSeconds);
        const bool reading = isReading(row);
        if (!dense) inst.Add(x, yOf(row.instFreq), reading && row.instFreq <= kMaxIndex);
        avg.Add(x, yOf(row.avgFreq), reading && row.avgFreq >= 0.0 && row.avgFreq <= kMaxIndex);
        reference.Add(x, yOf(Clamp(row.lampReference, 0.0, kMaxIndex)),
                      reading && row.lamp != EvaluationLamp::None);

        // A block without energy or speech says nothing of the range: the band leaves it out.
        if (row.instFreq > kMaxIndex || !reading) {
            bandOpen = false;
        } else {
            const double low = Clamp(row.minFreq, 0.0, kMaxIndex);
            const double high = Clamp(row.maxFreq, 0.0, kMaxIndex);
            if (!bandOpen) {
                out.band.emplace_back();
                bandOpen = true;
            }
            TimelineBand& band = out.band.back();
            if (!band.upper.empty() && std::floor(band.upper.back().x) == std::floor(x)) {
                columnLow = std::min(columnLow, low);
                columnHigh = std::max(columnHigh, high);
                band.upper.back() = {x, yOf(columnHigh)};
                band.lower.back() = {x, yOf(columnLow)};
            } else {
                columnLow = low;
                columnHigh = high;
                band.upper.push_back({x, yOf(high)});
                band.lower.push_back({x, yOf(low)});
            }
        }

        // The strip: each row's lamp from its own x to the next row's.
        const double next = following < rows.size() ? xOf(rows[following].timelineSeconds) : x;
        const double x1 = Clamp(x, out.plot.left, out.plot.right);
        const double x2 = Clamp(std::max(next, x + 1.0), out.plot.left, out.plot.right);
        if (x2 <= x1) continue;
        // No reading: a grey cell, whatever the form's lamp showed.
        const EvaluationLamp lamp = reading ? row.lamp : EvaluationLamp::None;
        if (!out.stripCells.empty() && out.stripCells.back().lamp == lamp &&
            out.stripCells.back().x2 >= x1 - 0.5)
            out.stripCells.back().x2 = x2;
        else
            out.stripCells.push_back({x1, x2, lamp});
    }

    const auto inView = [&](double seconds) { return seconds >= from && seconds <= to; };
    for (const CEvaluationLog::Mark& mark : log.Marks()) {
        const double at = rows[mark.row].timelineSeconds;
        if (inView(at)) out.marks.push_back({xOf(at), mark.label});
    }
    for (const CEvaluationLog::Segment& segmentInfo : log.Segments()) {
        if (segmentInfo.firstRow >= rows.size()) continue;
        const double at = segmentInfo.startSeconds;
        if (!inView(at)) continue;
        std::string label;
        switch (segmentInfo.source) {
            case EvaluationSource::Line:
                label = "Line";
                break;
            case EvaluationSource::Tone:
                label = "Test tone";
                break;
            case EvaluationSource::File: {
                const std::size_t slash = segmentInfo.name.find_last_of('/');
                label = slash == std::string::npos ? segmentInfo.name
                                                   : segmentInfo.name.substr(slash + 1);
                break;
            }
        }
        out.segments.push_back({xOf(at), label});
    }
    if (withLabels)
        out.labelItems =
            LayOutLabelRow(*overlay->labels, from, to, out.labelRow.left, out.labelRow.right, cw);
    if (const std::uint64_t lost = log.LostRows())
        out.notice = std::to_string(lost) + " evaluations lost";
    return out;
}

}  // namespace kavrin
