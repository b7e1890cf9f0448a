#include "ui/timeline/label_row_layout.h"

#include <algorithm>
#include <cmath>

namespace kavrin {
namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

std::string FitLabelText(const std::string& text, std::size_t chars) {
    std::size_t count = 0;
    for (unsigned char c : text) count += IsContinuation(c) ? 0 : 1;
    if (count <= chars) return text;
    if (chars < 2) return {};
    // chars - 1 code points, then the ellipsis.
    std::size_t kept = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        if (IsContinuation(static_cast<unsigned char>(text[end]))) continue;
        if (kept == chars - 1) break;
        ++kept;
    }
    return text.substr(0, end) + "\xE2\x80\xA6";
}

std::vector<LabelRowItem> LayOutLabelRow(const std::vector<kavrin_labels::Segment>& segments,
                                         double from, double to, double left, double right,
                                         double charWidth) {
    std::vector<LabelRowItem> items;
    if (!(to > from) || !(right > left)) return items;
    const double scale = (right - left) / (to - from);
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const kavrin_labels::Segment& s = segments[i];
        if (s.end < from || s.start > to) continue;
        LabelRowItem item;
        item.index = i;
        item.x1 = std::clamp(left + (s.start - from) * scale, left, right);
        item.x2 = std::clamp(left + (s.end - from) * scale, left, right);
        items.push_back(item);
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const auto& a, const auto& b) { return a.x1 < b.x1; });
    // Left to right, each text starts after the previous one ends and stays in its own box.
    const double cw = std::max(charWidth, 1.0);
    const double pad = std::max(2.0, cw / 3.0);
    double taken = left;
    for (LabelRowItem& item : items) {
        const double start = std::max(item.x1 + pad, taken);
        const double room = item.x2 - pad - start;
        if (room < cw * 2) continue;
        item.text = FitLabelText(segments[item.index].text,
                                 static_cast<std::size_t>(std::floor(room / cw)));
        if (item.text.empty()) continue;
        item.textX = start;
        std::size_t count = 0;
        for (unsigned char c : item.text) count += IsContinuation(c) ? 0 : 1;
        taken = start + static_cast<double>(count) * cw + pad;
        item.textRight = item.x2 - pad;
    }
    // A text drawn wider than its estimate still stops short of the next text.
    LabelRowItem* previous = nullptr;
    for (LabelRowItem& item : items) {
        if (item.text.empty()) continue;
        if (previous) previous->textRight = std::min(previous->textRight, item.textX - pad);
        previous = &item;
    }
    return items;
}

std::optional<LabelRowHit> HitLabelRow(const std::vector<LabelRowItem>& items, double x,
                                       double slop) {
    std::optional<LabelRowHit> hit;
    double nearest = slop;
    for (const LabelRowItem& item : items) {
        for (const auto& [edge, part] : {std::pair{item.x1, LabelRowPart::StartEdge},
                                         std::pair{item.x2, LabelRowPart::EndEdge}}) {
            const double distance = std::abs(x - edge);
            if (distance <= nearest) {
                nearest = distance;
                hit = LabelRowHit{item.index, part};
            }
        }
    }
    if (hit) return hit;
    double shortest = 0.0;
    for (const LabelRowItem& item : items) {
        if (x < item.x1 || x > item.x2) continue;
        if (!hit || item.x2 - item.x1 < shortest) {
            shortest = item.x2 - item.x1;
            hit = LabelRowHit{item.index, LabelRowPart::Body};
        }
    }
    return hit;
}

}  // namespace kavrin
