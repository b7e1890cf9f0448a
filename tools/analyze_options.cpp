#include "tools/analyze_options.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace kavrin_analyze {
namespace {

constexpr std::uint32_t kMaximumJobs = 1024;

// Whole numbers only, in the range given; no trailing junk.
template <typename T>
bool ParseInteger(const std::string& text, T low, T high, T* out) {
    long long value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end) return false;
    if (value < static_cast<long long>(low) || value > static_cast<long long>(high)) return false;
    *out = static_cast<T>(value);
    return true;
}

// A plain decimal number of Hz (the dialog takes whole numbers; fractions are allowed here so
// that any tone the generator can make can be analysed).
bool ParseFrequency(const std::string& text, double* out) {
    double value = 0.0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != end || begin == end) return false;
    if (!(value >= 0.0 && value <= 22000.0)) return false;
    *out = value;
    return true;
}

}  // namespace

std::string UsageText() {
    return "Usage: kavrin-analyze [OPTIONS] FILE...\n"
           "       kavrin-analyze [OPTIONS] --files-from LIST [FILE...]\n"
           "       kavrin-analyze [OPTIONS] --tone HZ --amplitude A --blocks N\n"
           "       kavrin-analyze [OPTIONS] --segments LABELS FILE\n"
           "\n"
           "Analyses .WAV files (taken, like the window does, as raw 16-bit mono samples at\n"
           "11025 per second from byte 0 on) or the built-in test tone, exactly as the Kavrin\n"
           "window would, as fast as the processor allows, and writes one CSV row per\n"
           "evaluation to standard output:\n"
           "  file,block,time_s,inst_freq,avg_freq,min_freq,max_freq,threshold,magnitude,\n"
           "  avg_magnitude,under_threshold\n"
           "block counts evaluations from 1; time_s is the end, in seconds of signal, of the\n"
           "block shifted into the history by that evaluation's cycle (file: byte\n"
           "16384 + 8192 * block, capped at the file length, over 22050 bytes per second;\n"
           "tone: (block + 1) * 4096 / 11025, since the tone's first block is never\n"
           "analysed). The file column is empty for the tone. Each file is analysed by a fresh\n"
           "analyzer, as by the first File command after the window starts. A FILE of -\n"
           "reads standard input to its end first (sox in.flac -t raw - | kavrin-analyze -);\n"
           "what is not a regular file (a FIFO, a device, /proc) is refused.\n"
           "\n"
           "Options:\n"
           "  --tone HZ              analyse the test tone of HZ (0..22000; the dialog takes\n"
           "                         whole numbers, fractions such as 11.5 are allowed)\n"
           "  --amplitude A          tone amplitude (0..32000)\n"
           "  --blocks N             number of tone blocks to analyse (1 or more)\n"
           "  --volume V             the \"Volume adjust\" value (default 10)\n"
           "  --threshold-adjust T   the \"Threshold adjust\" value (default 75)\n"
           "  --bins                 add the nine band magnitudes behind the spectrum bars:\n"
           "                         bin_8_0,bin_8_5,...,bin_12_0 (bins 95, 101, ..., 143)\n"
           "  --quality              add the signal quality of the block each evaluation\n"
           "                         shifted in (after the bins): level_dbfs (RMS, dB of\n"
           "                         full scale; empty for digital silence), clipped\n"
           "                         (samples at +32767 or -32768), voiced_share (voiced\n"
           "                         frames of 15, by aubio's YIN) and f0_hz (their median\n"
           "                         fundamental; empty when none was voiced)\n"
           "  --decode               decode each file first (WAV in any form, RF64, AIFF, FLAC,\n"
           "                         Ogg Vorbis, Opus...: whatever libsndfile reads) to 16-bit\n"
           "                         mono at 11025 Hz (channels averaged, resampled by\n"
           "                         libsoxr); the decoded samples take the place of the\n"
           "                         file's bytes, and time_s counts their bytes\n"
           "  --live                 feed the decoded samples through the live capture path, as\n"
           "                         Line (Mixer) On would, in whole blocks of 4096 from the\n"
           "                         first sample (a final partial block is not analysed);\n"
           "                         time_s is block * 4096 / 11025. Replays a recording to\n"
           "                         the rows its live session analysed\n"
           "  --segments LABELS      instead of the rows, one CSV row per segment of LABELS\n"
           "                         (Audacity .txt, Praat .TextGrid, ELAN .eaf, or a\n"
           "                         .kavrin-labels.txt) over the evaluations of FILE whose\n"
           "                         block lies inside it: label,start,end,duration,\n"
           "                         evaluations,no_reading,inst_mean_hz,inst_sd_hz,\n"
           "                         inst_min_hz,inst_max_hz,avg_mean_hz,magnitude_mean,\n"
           "                         red_share,yellow_share,green_share\n"
           "                         (with --quality, blocks voiced less than 0.1 are no\n"
           "                         reading too, as in the window)\n"
           "  --lamp-mode MODE       the threshold mode the lamp shares use: fixed-freq\n"
           "                         (default, as the form starts), fixed-range, avg-relative\n"
           "  --no-progress          never show the progress bar\n"
           "  --jobs N               analyse N files at once, each by its own analyzer\n"
           "                         (default: one per processor); rows are still written in\n"
           "                         the order of the inputs, the same bytes as with --jobs 1\n"
           "  --output-dir DIR       write one CSV per input, DIR/<path>.csv, where <path> is\n"
           "                         the input's path from the input root, its folders made\n"
           "                         under DIR; each CSV is under a temporary name until it\n"
           "                         is complete; one summary line per input on standard\n"
           "                         error when that is no terminal\n"
           "  --input-root ROOT      with --output-dir: the folder the CSV paths start from\n"
           "                         (default: the deepest folder holding every input); give\n"
           "                         it when a batch is resumed with a different list\n"
           "  --skip-existing        with --output-dir: leave out inputs whose CSV exists\n"
           "  --files-from LIST      also analyse the files named in LIST, one per line\n"
           "                         (\"-\": standard input), after those on the command line\n"
           "  --null                 the paths in the lists end in NUL (find -print0)\n"
           "  --help                 show this text and exit\n"
           "  --version              show the version and exit\n"
           "\n"
           "inst_freq, avg_freq, min_freq, max_freq and threshold are band indices: index i\n"
           "is 8.0 + 0.1 * i Hz (0..40 for 8.0..12.0 Hz); 65535 means the band held no\n"
           "energy (no reading).\n"
           "Doubles are written in the shortest form that reads back to the same double.\n"
           "Exit status: 0 when everything was analysed, 1 when a file could not be\n"
           "opened or read (the other files are still analysed), 2 on a usage error or a\n"
           "list that cannot be read.\n";
}

ParseResult ParseOptions(const std::vector<std::string>& arguments) {
    ParseResult result;
    Options& o = result.options;
    std::optional<double> toneHz;
    std::optional<std::uint32_t> amplitude;
    std::optional<std::uint64_t> blocks;
    bool onlyFiles = false;

    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
            o.files.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyFiles = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        auto value = [&](std::string* out) -> bool {
            if (inlineValue) {
                *out = *inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) return false;
            *out = arguments[++i];
            return true;
        };
        auto flagOnly = [&]() { return !inlineValue; };

        std::string text;
        if (name == "--help" || name == "-h") {
            if (!flagOnly()) return fail("option --help takes no value");
            o.help = true;
        } else if (name == "--version") {
            if (!flagOnly()) return fail("option --version takes no value");
            o.version = true;
        } else if (name == "--bins") {
            if (!flagOnly()) return fail("option --bins takes no value");
            o.bins = true;
        } else if (name == "--quality") {
            if (!flagOnly()) return fail("option --quality takes no value");
            o.quality = true;
        } else if (name == "--decode") {
            if (!flagOnly()) return fail("option --decode takes no value");
            o.decode = true;
        } else if (name == "--live") {
            if (!flagOnly()) return fail("option --live takes no value");
            o.live = true;
        } else if (name == "--no-progress") {
            if (!flagOnly()) return fail("option --no-progress takes no value");
            o.progress = false;
        } else if (name == "--skip-existing") {
            if (!flagOnly()) return fail("option --skip-existing takes no value");
            o.skipExisting = true;
        } else if (name == "--null") {
            if (!flagOnly()) return fail("option --null takes no value");
            o.nullSeparated = true;
        } else if (name == "--jobs") {
            if (!value(&text)) return fail("option --jobs needs a value");
            if (!ParseInteger<std::uint32_t>(text, 1, kMaximumJobs, &o.jobs))
                return fail("--jobs must be a whole number between 1 and " +
                            std::to_string(kMaximumJobs) + ": " + text);
        } else if (name == "--output-dir") {
            if (!value(&o.outputDir)) return fail("option --output-dir needs a value");
            if (o.outputDir.empty()) return fail("--output-dir needs a directory name");
        } else if (name == "--input-root") {
            if (!value(&o.inputRoot)) return fail("option --input-root needs a value");
            if (o.inputRoot.empty()) return fail("--input-root needs a directory name");
        } else if (name == "--files-from") {
            if (!value(&text)) return fail("option --files-from needs a value");
            if (text.empty()) return fail("--files-from needs a file name");
            o.fileLists.push_back(text);
        } else if (name == "--tone") {
            double hz;
            if (!value(&text)) return fail("option --tone needs a value");
            if (!ParseFrequency(text, &hz))
                return fail("--tone must be a frequency in Hz between 0 and 22000: " + text);
            toneHz = hz;
        } else if (name == "--amplitude") {
            std::uint32_t amp;
            if (!value(&text)) return fail("option --amplitude needs a value");
            if (!ParseInteger<std::uint32_t>(text, 0, 32000, &amp))
                return fail("--amplitude must be a whole number between 0 and 32000: " + text);
            amplitude = amp;
        } else if (name == "--blocks") {
            std::uint64_t n;
            if (!value(&text)) return fail("option --blocks needs a value");
            if (!ParseInteger<std::uint64_t>(text, 1, std::numeric_limits<std::int64_t>::max(), &n))
                return fail("--blocks must be a whole number of 1 or more: " + text);
            blocks = n;
        } else if (name == "--segments") {
            if (!value(&o.segments)) return fail("option --segments needs a value");
            if (o.segments.empty()) return fail("--segments needs a label file name");
        } else if (name == "--lamp-mode") {
            if (!value(&text)) return fail("option --lamp-mode needs a value");
            if (text == "fixed-freq")
                o.lampMode = kavrin::LampMode::FixedFreq;
            else if (text == "fixed-range")
                o.lampMode = kavrin::LampMode::FixedRange;
            else if (text == "avg-relative")
                o.lampMode = kavrin::LampMode::AvgRelative;
            else
                return fail("--lamp-mode must be fixed-freq, fixed-range or avg-relative: " + text);
        } else if (name == "--volume") {
            if (!value(&text)) return fail("option --volume needs a value");
            if (!ParseInteger<std::int32_t>(text, INT32_MIN, INT32_MAX, &o.volume))
                return fail("--volume must be a whole number: " + text);
        } else if (name == "--threshold-adjust") {
            if (!value(&text)) return fail("option --threshold-adjust needs a value");
            if (!ParseInteger<std::int32_t>(text, INT32_MIN, INT32_MAX, &o.thresholdAdjust))
                return fail("--threshold-adjust must be a whole number: " + text);
        } else {
            return fail("unknown option: " + a);
        }
    }

    if (o.help || o.version) return result;
    if (o.skipExisting && o.outputDir.empty()) return fail("--skip-existing needs --output-dir");
    if (!o.inputRoot.empty() && o.outputDir.empty()) return fail("--input-root needs --output-dir");
    if (o.nullSeparated && o.fileLists.empty()) return fail("--null needs --files-from");
    if (!o.segments.empty()) {
        if (toneHz || amplitude || blocks) return fail("--segments takes a file, not the tone");
        if (o.files.size() != 1 || !o.fileLists.empty())
            return fail("--segments takes exactly one FILE");
        if (!o.outputDir.empty() || o.bins)
            return fail("--segments writes one table to standard output: no --output-dir, --bins");
    }
    const bool anyTone = toneHz || amplitude || blocks;
    if (anyTone) {
        if (!toneHz || !amplitude || !blocks)
            return fail("the tone needs all of --tone, --amplitude and --blocks");
        if (!o.files.empty() || !o.fileLists.empty())
            return fail("give either files or --tone, not both");
        if (!o.outputDir.empty()) return fail("--output-dir takes files, not the tone");
        if (o.decode || o.live) return fail("--decode and --live take files, not --tone");
        o.tone = ToneOptions{*toneHz, *amplitude, *blocks};
    } else if (o.files.empty() && o.fileLists.empty()) {
        return fail("no input: give one or more files, --files-from, or --tone");
    }
    return result;
}

}  // namespace kavrin_analyze
