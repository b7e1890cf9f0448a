// kavrin-analyze: the headless companion of the Kavrin window.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/analysis_runner.h"
#include "tools/analyze_options.h"
#include "tools/csv_row.h"
#include "tools/progress_bar.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

void Write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kavrin_analyze;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParseResult parsed = ParseOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "kavrin-analyze: %s\nTry 'kavrin-analyze --help'.\n",
                     parsed.error.c_str());
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        Write(UsageText());
        return kExitOk;
    }
    if (options.version) {
        Write("kavrin-analyze 1.0.0.1\n");
        return kExitOk;
    }

    InstallHeadlessPlatform();
    const RunSettings settings{options.volume, options.thresholdAdjust, options.bins,
                               options.decode, options.live};
    Write(CsvHeader(options.bins));

    if (options.tone) {
        const std::string error =
            AnalyzeTone(*options.tone, settings,
                        [&](const EvaluationRow& row) { Write(FormatRow("", row, options.bins)); });
        std::fflush(stdout);
        if (!error.empty()) {
            std::fprintf(stderr, "kavrin-analyze: %s\n", error.c_str());
            return kExitFileError;
        }
        return kExitOk;
    }

    int status = kExitOk;
    const bool showProgress = options.progress && isatty(STDERR_FILENO);
    for (const std::string& file : options.files) {
        ProgressBar bar(file, showProgress);
        const std::string error = AnalyzeFile(
            file, settings,
            [&](const EvaluationRow& row) { Write(FormatRow(file, row, options.bins)); },
            [&](std::uint64_t position, std::uint64_t length) { bar.Update(position, length); });
        bar.Finish();
        std::fflush(stdout);
        if (!error.empty()) {
            std::fprintf(stderr, "kavrin-analyze: %s: %s\n", file.c_str(), error.c_str());
            status = kExitFileError;
        }
    }
    if (std::ferror(stdout)) {
        std::fprintf(stderr, "kavrin-analyze: cannot write the output\n");
        return kExitFileError;
    }
    return status;
}
