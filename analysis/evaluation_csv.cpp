#include "analysis/evaluation_csv.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace kavrin_analyze {

std::string CsvHeader(bool withBins, bool withQuality) {
    std::string header =
        "file,block,time_s,inst_freq,avg_freq,min_freq,max_freq,threshold,magnitude,"
        "avg_magnitude,under_threshold";
    if (withBins)
        header += ",bin_8_0,bin_8_5,bin_9_0,bin_9_5,bin_10_0,bin_10_5,bin_11_0,bin_11_5,bin_12_0";
    if (withQuality) header += ",level_dbfs,clipped,voiced_share,f0_hz";
    return header + "\n";
}

std::string FormatDouble(double value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "nan";
    return std::string(buffer, end);
}

std::string QuoteCsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FormatRow(const std::string& file, const EvaluationRow& row, bool withBins,
                      bool withQuality) {
    std::string line = QuoteCsvField(file);
    auto add = [&](const std::string& text) {
        line += ',';
        line += text;
    };
    add(std::to_string(row.block));
    add(FormatDouble(row.timeSeconds));
    add(FormatDouble(row.instFreq));
    add(FormatDouble(row.avgFreq));
    add(FormatDouble(row.minFreq));
    add(FormatDouble(row.maxFreq));
    add(std::to_string(row.threshold));
    add(FormatDouble(row.magnitude));
    add(FormatDouble(row.avgMagnitude));
    add(std::to_string(row.underThreshold));
    if (withBins)
        for (double bin : row.bins) add(FormatDouble(bin));
    if (withQuality) {
        // A value that does not exist is an empty field, never a stand-in number.
        const SignalQuality& q = row.quality;
        add(std::isfinite(q.levelDbfs) ? FormatDouble(q.levelDbfs) : std::string());
        add(std::to_string(q.clipped));
        add(std::isfinite(q.voicedShare) ? FormatDouble(q.voicedShare) : std::string());
        add(std::isfinite(q.f0Hz) ? FormatDouble(q.f0Hz) : std::string());
    }
    line += '\n';
    return line;
}

}  // namespace kavrin_analyze
