// kavrin-analyze: the headless companion of the Kavrin window.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/evaluation_csv.h"
#include "analysis/signal_quality.h"
#include "tools/analysis_job.h"
#include "tools/analysis_runner.h"
#include "tools/analyze_options.h"
#include "tools/batch_runner.h"
#include "tools/input_list.h"
#include "tools/output_names.h"
#include "tools/segments_runner.h"

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

    // aubio is loaded on first use: a run that needs it and cannot have it stops before any row.
    if (options.quality) {
        try {
            CSignalQuality probe;
        } catch (const std::runtime_error& error) {
            std::fprintf(stderr, "kavrin-analyze: %s; --quality needs it\n", error.what());
            return kExitFileError;
        }
    }

    if (!options.segments.empty()) return RunSegments(options, stdout);

    const RunSettings settings{options.volume, options.thresholdAdjust,
                               options.bins,   options.decode,
                               options.live,   options.quality};

    if (options.tone) {
        InstallHeadlessPlatform();
        Write(CsvHeader(options.bins, options.quality));
        const std::string error =
            AnalyzeTone(*options.tone, settings, [&](const EvaluationRow& row) {
                Write(FormatRow("", row, options.bins, options.quality));
            });
        std::fflush(stdout);
        if (!error.empty()) {
            std::fprintf(stderr, "kavrin-analyze: %s\n", error.c_str());
            return kExitFileError;
        }
        return kExitOk;
    }

    std::vector<std::string> inputs = options.files;
    for (const std::string& list : options.fileLists) {
        const std::string error = ReadInputList(list, options.nullSeparated, &inputs);
        if (!error.empty()) {
            std::fprintf(stderr, "kavrin-analyze: %s\n", error.c_str());
            return kExitUsage;
        }
    }

    // Standard input can be read once: as one input, or as one list.
    const auto dashes = std::count(inputs.begin(), inputs.end(), "-") +
                        std::count(options.fileLists.begin(), options.fileLists.end(), "-");
    if (dashes > 1) {
        std::fprintf(stderr,
                     "kavrin-analyze: standard input (-) can be given only once\n"
                     "Try 'kavrin-analyze --help'.\n");
        return kExitUsage;
    }

    BatchSettings batch;
    batch.run = settings;
    batch.jobs = options.jobs != 0 ? options.jobs : ProcessorCount();
    batch.outputDir = options.outputDir;
    batch.skipExisting = options.skipExisting;
    batch.inputRoot = options.inputRoot;
    if (!options.outputDir.empty()) {
        std::vector<std::string> names;
        const std::string error = OutputNames(inputs, options.inputRoot, &names);
        if (!error.empty()) {
            std::fprintf(stderr, "kavrin-analyze: %s\nTry 'kavrin-analyze --help'.\n",
                         error.c_str());
            return kExitUsage;
        }
    }
    const bool terminal = isatty(STDERR_FILENO);
    batch.progressBar = options.progress && terminal;
    batch.summaries = !options.outputDir.empty() && !terminal;

    if (!options.outputDir.empty()) {
        // Made when missing, so a batch can give each folder of an archive its own.
        std::error_code error;
        std::filesystem::create_directories(options.outputDir, error);
        if (error && !std::filesystem::is_directory(options.outputDir)) {
            std::fprintf(stderr, "kavrin-analyze: cannot make the output directory %s: %s\n",
                         options.outputDir.c_str(), error.message().c_str());
            return kExitFileError;
        }
    }

    RemovePartialFilesOnSignals();
    std::FILE* out = nullptr;
    if (options.outputDir.empty()) {
        out = stdout;
        Write(CsvHeader(options.bins, options.quality));
    }
    int status = RunBatch(inputs, batch, out) ? kExitOk : kExitFileError;
    if (out != nullptr && (std::fflush(out) != 0 || std::ferror(out))) {
        std::fprintf(stderr, "kavrin-analyze: cannot write the output\n");
        status = kExitFileError;
    }
    return status;
}
