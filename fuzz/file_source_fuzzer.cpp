// The file source fed arbitrary bytes: each input is written to a file and replayed whole
// through the simulated card, end of file included, as kavrin-analyze runs it. Beyond crashes
// and sanitizer reports, the run must end by itself with one row per cycle the length gives
// and finite readings.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/analysis_runner.h"

namespace {

const std::string& InputPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/kavrin-fuzz-" +
               std::to_string(::getpid()) + ".wav";
    }();
    return path;
}

// A file of at most 32768 bytes ends in its first cycle; after that one cycle per block of
// 8192 bytes begun.
std::uint64_t ExpectedRows(std::uint64_t size) {
    if (size <= 32768) return 1;
    return 1 + (size - 32768 + 8191) / 8192;
}

bool Finite(const EvaluationRow& row) {
    return std::isfinite(row.instFreq) && std::isfinite(row.avgFreq) &&
           std::isfinite(row.minFreq) && std::isfinite(row.maxFreq) &&
           std::isfinite(row.magnitude) && std::isfinite(row.avgMagnitude);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool installed = [] {
        kavrin_analyze::InstallHeadlessPlatform();
        std::atexit([] { std::remove(InputPath().c_str()); });
        return true;
    }();
    (void)installed;
    FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    std::uint64_t rows = 0;
    bool finite = true;
    const std::string error = kavrin_analyze::AnalyzeFile(
        InputPath(), kavrin_analyze::RunSettings{},
        [&](const EvaluationRow& row) {
            ++rows;
            finite = finite && Finite(row);
        },
        nullptr);
    if (!error.empty()) {
        std::fprintf(stderr, "the run failed: %s\n", error.c_str());
        std::abort();
    }
    if (rows != ExpectedRows(size)) {
        std::fprintf(stderr, "%llu rows for %zu bytes, expected %llu\n",
                     static_cast<unsigned long long>(rows), size,
                     static_cast<unsigned long long>(ExpectedRows(size)));
        std::abort();
    }
    if (!finite) {
        std::fprintf(stderr, "a reading is not finite\n");
        std::abort();
    }
    return 0;
}
