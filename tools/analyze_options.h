// Command-line options of kavrin-analyze.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/lamp.h"

namespace kavrin_analyze {

struct ToneOptions {
    double frequency = 0.0;       // Hz, 0..22000
    std::uint32_t amplitude = 0;  // 0..32000
    std::uint64_t blocks = 0;
};

struct Options {
    std::vector<std::string> files;
    std::optional<ToneOptions> tone;
    std::int32_t volume = 10;           // the form's "Volume adjust" start value
    std::int32_t thresholdAdjust = 75;  // the form's "Threshold adjust" start value
    bool bins = false;
    bool quality = false;    // add level_dbfs,clipped,voiced_share,f0_hz
    bool decode = false;     // decode the files (any format libsndfile reads) instead of raw bytes
    bool live = false;       // feed the decoded samples through the capture path
    bool progress = true;    // only ever shown when standard error is a terminal
    std::uint32_t jobs = 0;  // files analysed at once; 0: one per processor
    std::string outputDir;   // empty: every row to standard output
    bool skipExisting = false;           // with outputDir: inputs whose CSV is there are done
    std::string inputRoot;               // with outputDir: CSV names mirror paths from here
    std::vector<std::string> fileLists;  // --files-from, in order; "-" is standard input
    bool nullSeparated = false;          // the lists' paths end in NUL, not newline
    std::string segments;  // a label file: per-segment statistics of the one FILE instead of rows
    kavrin::LampMode lampMode = kavrin::LampMode::FixedFreq;  // the form's mode at start
    bool help = false;
    bool version = false;
};

struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is valid
};

ParseResult ParseOptions(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace kavrin_analyze
