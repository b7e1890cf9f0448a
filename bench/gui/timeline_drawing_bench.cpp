// A display tick's timeline work with a day of rows in the log: the layout of the visible
// stretch and its antialiased drawing, following the newest row at the default span and with
// the whole day in view. Needs a display (run under xvfb-run).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/font.h>
#include <wx/init.h>
#include <wx/settings.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "analysis/evaluation_log.h"
#include "ui/timeline/timeline_drawing.h"
#include "ui/timeline/timeline_layout.h"
#include "ui/timeline/timeline_pane.h"

namespace {

// 24 hours of real-time blocks with a wandering band frequency.
const CEvaluationLog& DayLog() {
    static const CEvaluationLog* log = [] {
        auto* made = new CEvaluationLog;
        const double step = 4096.0 / 11025.0;
        const auto rows = static_cast<std::uint32_t>(std::ceil(24 * 3600.0 / step));
        for (std::uint32_t b = 1; b <= rows; ++b) {
            EvaluationRow row;
            row.block = b;
            row.session = 1;
            row.timeSeconds = b * step;
            row.instFreq = std::floor(20 + 15 * std::sin(b * 0.01));
            row.avgFreq = 20 + 5 * std::sin(b * 0.001);
            row.minFreq = 5;
            row.maxFreq = 35;
            row.lampReference = 30;
            row.lamp = row.instFreq > 30 ? EvaluationLamp::Red : EvaluationLamp::Green;
            made->Append(0, row);
            if (b % 10000 == 0) made->AddMark();  // a question every hour or so
        }
        std::fprintf(stderr, "log: %zu rows, %.1f MB of rows\n", made->Rows().size(),
                     made->RowBytes() / 1e6);
        return made;
    }();
    return *log;
}

void BM_TimelineTick(benchmark::State& state) {
    const CEvaluationLog& log = DayLog();
    kavrin::TimelineView view;
    if (state.range(0)) view.spanSeconds = 24 * 3600.0;
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    const kavrin::TimelineMetrics metrics = kavrin::MeasureTimelineFont(font);
    for (auto _ : state) {
        const kavrin::TimelineLayout layout =
            kavrin::ComputeTimelineLayout(log, view, 640, 240, metrics);
        benchmark::DoNotOptimize(kavrin::DrawTimeline(layout, font));
    }
}
BENCHMARK(BM_TimelineTick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A whole day in view with a reviewed recording's level under the plot, a playhead and a
// selection: what a repaint of the review costs.
void BM_TimelineReviewRepaint(benchmark::State& state) {
    const CEvaluationLog& log = DayLog();
    static const CLevelEnvelope* envelope = [] {
        auto* made = new CLevelEnvelope;
        std::vector<std::int16_t> block(1 << 16);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.05) * std::sin(i * 1e-4));
        const std::uint64_t day = 24ull * 3600 * 11025;
        for (std::uint64_t at = 0; at < day; at += block.size())
            made->Put(block.data(), block.size());
        std::fprintf(stderr, "envelope: %zu stretches of %zu samples, %.1f MB\n", made->Stretches(),
                     made->Stretch(), made->Bytes() / 1e6);
        return made;
    }();
    kavrin::TimelineReviewOverlay overlay;
    overlay.envelope = envelope;
    overlay.playhead = 3600.0 * 5;
    overlay.selection = std::make_pair(3600.0 * 2, 3600.0 * 3);
    kavrin::TimelineView view = kavrin::FitTimeline(0, 24 * 3600.0);
    const wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    const kavrin::TimelineMetrics metrics = kavrin::MeasureTimelineFont(font);
    for (auto _ : state) {
        const kavrin::TimelineLayout layout =
            kavrin::ComputeTimelineLayout(log, view, 640, 240, metrics, &overlay);
        benchmark::DoNotOptimize(kavrin::DrawTimeline(layout, font));
    }
}
BENCHMARK(BM_TimelineReviewRepaint)->Unit(benchmark::kMillisecond);

// The layout alone, without the drawing.
void BM_TimelineLayout(benchmark::State& state) {
    const CEvaluationLog& log = DayLog();
    kavrin::TimelineView view;
    if (state.range(0)) view.spanSeconds = 24 * 3600.0;
    const kavrin::TimelineMetrics metrics{7, 14};
    for (auto _ : state)
        benchmark::DoNotOptimize(kavrin::ComputeTimelineLayout(log, view, 640, 240, metrics));
}
BENCHMARK(BM_TimelineLayout)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) {
    wxInitializer toolkit(argc, argv);
    if (!toolkit.IsOk()) {
        std::fprintf(stderr, "no display for the toolkit (run under xvfb-run)\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
