#include "ui/report_facts.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "analysis/measure_statement.h"
#include "analysis/reading_validity.h"
#include "platform/audio_files/sound_file_format.h"
#include "platform/services/file_sha256.h"

namespace kavrin {
namespace {

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> Paragraphs(std::string_view text) {
    std::vector<std::string> out;
    std::string current;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.empty()) {
            if (!current.empty()) out.push_back(current);
            current.clear();
        } else {
            current += (current.empty() ? "" : " ") + std::string(line);
        }
        at = end + 1;
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

std::string Percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f %%", share * 100.0);
    return text;
}

}  // namespace

std::string FormatReportLength(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
    char text[48];
    const long whole = static_cast<long>(seconds);
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%04.1f", whole / 60,
                      seconds - static_cast<double>(whole / 60 * 60));
    return text;
}

ReportFacts CollectReportFacts(const ReportInput& input) {
    ReportFacts facts;
    const std::string& path = input.recordingPath;
    facts.title = path.empty() ? "Kavrin report: live session" : "Kavrin report: " + BaseName(path);
    auto& lines = facts.lines;
    if (path.empty()) {
        lines.emplace_back("Recording", "none: a session of the sound card or the test tone");
        lines.emplace_back("SHA-256", "none: no file was analysed");
    } else {
        std::string error;
        const std::optional<std::string> hash = platform::FileSha256(path, &error);
        lines.emplace_back("Recording", path);
        lines.emplace_back("Length", FormatReportLength(input.recordingSeconds));
        lines.emplace_back("SHA-256", hash ? *hash : "not computed: " + error);
        lines.emplace_back("Format", platform::DescribeSoundFileFormat(path));
    }
    lines.emplace_back("Session", input.sessionSources + ", " +
                                      FormatReportLength(input.sessionSeconds) +
                                      " on the timeline");
    lines.emplace_back("Kavrin", "version " + input.version);
    const ReportSettings& s = input.settings;
    lines.emplace_back(
        "Settings", "Volume adjust " + std::to_string(s.volumeAdjust) + ", Threshold adjust " +
                        std::to_string(s.thresholdAdjust) + ", reference mode \"" +
                        s.referenceMode + "\", Decode Audio Files " + (s.decoding ? "on" : "off") +
                        ", reading quality: voiced share at least " + Percent(s.minVoicedShare));
    char date[64];
    std::tm local{};
    localtime_r(&input.now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S %z", &local);
    lines.emplace_back("Date", date);

    std::uint64_t total = 0;
    std::uint64_t noSignal = 0;
    std::uint64_t noSpeech = 0;
    if (input.rows) {
        for (const EvaluationRow& row : *input.rows) {
            ++total;
            switch (JudgeReading(row.instFreq, JudgedVoicedShare(row), s.minVoicedShare)) {
                case ReadingValidity::NoSignal:
                    ++noSignal;
                    break;
                case ReadingValidity::NoSpeech:
                    ++noSpeech;
                    break;
                case ReadingValidity::Reading:
                    break;
            }
        }
    }
    facts.leftOut = "Of " + std::to_string(total) + " evaluations, " + std::to_string(noSignal) +
                    " gave no reading because the band held no " + "energy (no signal) and " +
                    std::to_string(noSpeech) + " because their block was voiced less than " +
                    Percent(s.minVoicedShare) +
                    " (no speech): they are gaps in the plot and enter no mean.";
    facts.baseline = input.baseline.empty()
                         ? "No baseline was chosen: the table shows no differences from one."
                         : input.baseline;
    facts.tableTitles = input.tableTitles;
    facts.tableRows = input.tableRows;
    facts.statement = Paragraphs(MeasureStatement());
    return facts;
}

}  // namespace kavrin
