// A one-line progress bar on standard error, for long files when it is a terminal.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

namespace kavrin_analyze {

// How far into a batch an input is: `position` of the `length` the run reports (decoded bytes
// with --decode, bytes on disk without) as the same fraction of the `share` the input was
// planned with (its size on disk), after the `before` of the inputs done.
inline std::uint64_t BatchPosition(std::uint64_t before, std::uint64_t share,
                                   std::uint64_t position, std::uint64_t length) {
    if (length == 0) return before;
    const double fraction =
        static_cast<double>(std::min(position, length)) / static_cast<double>(length);
    return before + static_cast<std::uint64_t>(fraction * static_cast<double>(share));
}

class ProgressBar {
public:
    ProgressBar(std::string label, bool enabled);
    void Update(std::uint64_t position, std::uint64_t length);
    void Finish();

    // The text of the bar for a position (without the carriage return); for tests.
    static std::string Render(const std::string& label, std::uint64_t position,
                              std::uint64_t length, int width);

private:
    std::string m_label;
    bool m_enabled;
    bool m_shown = false;
    int m_lastPercent = -1;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace kavrin_analyze
