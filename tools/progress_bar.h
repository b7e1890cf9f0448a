// A one-line progress bar on standard error, for long files when it is a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kavrin_analyze {

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
