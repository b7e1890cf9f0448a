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

#include "analysis/evaluation_log.h"
#include "ui/timeline_drawing.h"
#include "ui/timeline_layout.h"
#include "ui/timeline_pane.h"

namespace {

// 24 hours of real-time blocks with a wandering band frequency.
const CEvaluationLog& DayLog() {
    static const CEvaluationLog* log = [] {
        auto* made = new CEvaluationLog;
        const double step = 4096.0 / 11025.0;
        const auto rows = static_cast<std::uint32_t>(std::ceil(24 * 3600.0 / step));
        for (std::uint32_t b = 1; b <= rows; ++b) {
            EvaluationRecord row;
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
