#include "tools/segments_runner.h"

#include <string>
#include <vector>

#include "labels/label_files.h"
#include "labels/segment_statistics.h"
#include "tools/analysis_runner.h"

namespace kavrin_analyze {

int RunSegments(const Options& options, std::FILE* out) {
    const kavrin_labels::LabelReadResult labels = kavrin_labels::ReadLabelFile(options.segments);
    if (!labels.error.empty()) {
        std::fprintf(stderr, "kavrin-analyze: %s\n", labels.error.c_str());
        return 1;
    }
    const std::string& file = options.files.front();
    // With --quality the voicing is measured and rows without speech are no reading, as in the
    // window's table at the default threshold; without it only the band decides, as before.
    const RunSettings settings{options.volume, options.thresholdAdjust, false, options.decode,
                               options.live,   options.quality};
    // A file run is judged by the file source's reference; a replay through capture by the
    // live source's.
    const bool fileSource = !options.live;
    std::vector<kavrin_labels::StatisticsRow> rows;
    InstallHeadlessPlatform();
    const std::string error =
        AnalyzeFile(file, settings,
                    [&](const EvaluationRow& row) {
                        rows.push_back(kavrin_labels::RowFromEvaluation(
                            row, options.lampMode, options.thresholdAdjust, fileSource));
                    },
                    {});
    if (!error.empty()) {
        std::fprintf(stderr, "kavrin-analyze: %s\n", error.c_str());
        return 1;
    }
    const std::string csv = kavrin_labels::StatisticsCsv(
        kavrin_labels::ComputeSegmentStatistics(labels.labels.segments, rows));
    std::fwrite(csv.data(), 1, csv.size(), out);
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(stderr, "kavrin-analyze: cannot write the output\n");
        return 1;
    }
    return 0;
}

}  // namespace kavrin_analyze
