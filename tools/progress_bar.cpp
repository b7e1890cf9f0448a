#include "tools/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kavrin_analyze {
namespace {

// Files shorter than this are done before a bar would be worth seeing.
constexpr std::uint64_t kMinimumLengthForBar = 8ull * 1024 * 1024;
constexpr int kBarWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::string label, bool enabled)
    : m_label(std::move(label)), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {}

std::string ProgressBar::Render(const std::string& label, std::uint64_t position,
                                std::uint64_t length, int width) {
    const std::uint64_t done = std::min(position, length);
    const int percent = length == 0 ? 100 : static_cast<int>(done * 100 / length);
    const int filled = length == 0 ? width : static_cast<int>(done * width / length);
    std::string text = label.size() > 40 ? "..." + label.substr(label.size() - 37) : label;
    text += " [";
    text += std::string(filled, '#');
    text += std::string(width - filled, ' ');
    text += "] ";
    text += std::to_string(percent);
    text += '%';
    return text;
}

void ProgressBar::Update(std::uint64_t position, std::uint64_t length) {
    if (!m_enabled || length < kMinimumLengthForBar) return;
    const int percent = static_cast<int>(std::min(position, length) * 100 / length);
    if (percent == m_lastPercent) return;
    m_lastPercent = percent;
    m_shown = true;
    std::fprintf(stderr, "\r%s", Render(m_label, position, length, kBarWidth).c_str());
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (!m_shown) return;
    std::fprintf(stderr, "\r\033[K");  // clear the line: the output stays clean
    std::fflush(stderr);
    m_shown = false;
    m_lastPercent = -1;  // shown again at the next update
}

}  // namespace kavrin_analyze
