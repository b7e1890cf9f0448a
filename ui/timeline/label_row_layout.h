// The label row under the plot: each segment of the timeline as a box from its start to its end,
// its text shortened with an ellipsis (or left out) so that no two texts overlap, and which part
// of a segment lies under the pointer. Plain data, checked without a window.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "labels/segment.h"

namespace kavrin {

struct LabelRowItem {
    std::size_t index = 0;  // the segment's place in the list given
    double x1 = 0.0;        // the box, clipped to the row
    double x2 = 0.0;
    double textX = 0.0;
    double textRight = 0.0;  // the text is drawn clipped to [textX, textRight]
    std::string text;        // what fits, "" when nothing does
};

// `segments` in timeline seconds; [from, to] the visible stretch over pixels [left, right];
// `charWidth` the width of an average character.
std::vector<LabelRowItem> LayOutLabelRow(const std::vector<kavrin_labels::Segment>& segments,
                                         double from, double to, double left, double right,
                                         double charWidth);

// `text` cut to at most `chars` characters (code points), the last one an ellipsis when cut; ""
// when not even two fit.
std::string FitLabelText(const std::string& text, std::size_t chars);

enum class LabelRowPart { Body, StartEdge, EndEdge };
struct LabelRowHit {
    std::size_t index = 0;
    LabelRowPart part = LabelRowPart::Body;
};
// The segment under pixel x: an edge within `slop` pixels first (the nearest), else the
// shortest box holding x.
std::optional<LabelRowHit> HitLabelRow(const std::vector<LabelRowItem>& items, double x,
                                       double slop);

}  // namespace kavrin
