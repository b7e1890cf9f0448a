// The label row: texts shortened or left out so that none overlaps another, and the pointer's
// segment (edges before bodies).
#include "ui/timeline/label_row_layout.h"

#include <gtest/gtest.h>

namespace kavrin {
namespace {

using kavrin_labels::Segment;

struct FitCase {
    std::string text;
    std::size_t chars;
    std::string expected;
};

class FitLabelTextTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitLabelTextTest, CutsAtCodePoints) {
    EXPECT_EQ(FitLabelText(GetParam().text, GetParam().chars), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, FitLabelTextTest,
                         ::testing::Values(FitCase{"question", 8, "question"},
                                           FitCase{"question", 5, "ques\u2026"},
                                           FitCase{"\u00fcber alles", 3, "\u00fcb\u2026"},
                                           FitCase{"question", 1, ""}, FitCase{"", 0, ""}));

TEST(LabelRowLayoutTest, TextsNeverOverlapAndEdgesAreFoundFirst) {
    // Overlapping and crowded segments over 0..100 s on 1000 pixels, 10 pixels a character.
    const std::vector<Segment> segments = {{10, 40, "a long question text"},
                                           {12, 30, "inside"},
                                           {50, 51, "tiny"},
                                           {60, 90, "answer"},
                                           {120, 130, "out of view"}};
    const auto items = LayOutLabelRow(segments, 0, 100, 0, 1000, 10);
    ASSERT_EQ(items.size(), 4u);
    double right = -1;
    for (const LabelRowItem& item : items) {
        if (item.text.empty()) continue;
        EXPECT_GE(item.textX, right);
        EXPECT_GE(item.textX, item.x1);
        EXPECT_LE(item.textRight, item.x2);
        right = item.textRight;
    }
    EXPECT_EQ(items[0].text, "a long question text");
    EXPECT_EQ(items[2].text, "");  // 10 pixels hold no text
    EXPECT_EQ(items[3].text, "answer");

    const struct {
        double x;
        std::optional<std::size_t> index;
        LabelRowPart part;
    } hits[] = {{99, 0, LabelRowPart::StartEdge}, {402, 0, LabelRowPart::EndEdge},
                {200, 1, LabelRowPart::Body},     {350, 0, LabelRowPart::Body},
                {700, 3, LabelRowPart::Body},     {550, std::nullopt, LabelRowPart::Body}};
    for (const auto& hit : hits) {
        const std::optional<LabelRowHit> found = HitLabelRow(items, hit.x, 4);
        ASSERT_EQ(found.has_value(), hit.index.has_value()) << hit.x;
        if (!found) continue;
        EXPECT_EQ(found->index, *hit.index) << hit.x;
        EXPECT_EQ(found->part, hit.part) << hit.x;
    }
}

}  // namespace
}  // namespace kavrin
