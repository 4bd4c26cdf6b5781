#include <gtest/gtest.h>

#include "core/strip_layout.hpp"
#include "strip_layout_fixtures.hpp"

namespace tessarin {
namespace {

using test::column;
using test::strip;

using Span = StripLayout::Span;

LayoutConfig config(CenterMode mode, double gap = 10, double peek = 8) {
    return LayoutConfig{gap, mode, peek};
}

// Three half-width columns on an area of 1000 with gap 10: widths 495 at 0, 505 and 1010;
// content 1505, so the scroll can reach 505.
Strip threeHalves(std::int64_t focused, double scroll = 0) {
    return strip({column({1}, 0.5), column({2}, 0.5), column({3}, 0.5)}, focused, scroll);
}

TEST(StripLayoutWidth, SharesAreaPlusOneGapRoundsAwayFromZeroAndKeepsMinimum) {
    EXPECT_EQ(StripLayout::width(0.5, 1000, 10), 495);
    EXPECT_EQ(StripLayout::width(0.1, 500, 20), 80);   // 32 before the minimum
    EXPECT_EQ(StripLayout::width(0.5, 999, 10), 495);  // exactly 494.5
    EXPECT_EQ(StripLayout::width(0.25, 998, 0), 250);  // exactly 249.5
    EXPECT_EQ(StripLayout::width(1.0, 1440, 12), 1440);
}

TEST(StripLayoutReveal, ByCentringMode) {
    const Strip fits = strip({column({1}, 0.3), column({2}, 0.3)}, 1, 40);
    struct Case {
        const char* name;
        Strip strip;
        CenterMode mode;
        double expected;
    };
    const Case cases[] = {
        // never (moving as little as possible) is covered by the layout properties
        {"visible", threeHalves(1, 300), CenterMode::never, 300},
        // onOverflow: centres only when the strip overflows, within the content
        {"fits", fits, CenterMode::onOverflow, 0},
        {"middle", threeHalves(1), CenterMode::onOverflow, 252.5},
        {"first", threeHalves(0), CenterMode::onOverflow, 0},
        {"last", threeHalves(2), CenterMode::onOverflow, 505},
        // always: centres even past the ends
        {"always first", threeHalves(0), CenterMode::always, -252.5},
        {"always last", threeHalves(2), CenterMode::always, 757.5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StripLayout::revealScroll(c.strip, 1000, config(c.mode)), c.expected) << c.name;
    EXPECT_EQ(StripLayout::centeredScroll(threeHalves(1), 1000, 10), 252.5);
    // An invalid focus or an empty strip gives zero.
    for (CenterMode mode : allCenterModes) {
        EXPECT_EQ(StripLayout::revealScroll(threeHalves(3, 200), 1000, config(mode)), 0);
        EXPECT_EQ(StripLayout::revealScroll(threeHalves(-1, 200), 1000, config(mode)), 0);
        EXPECT_EQ(StripLayout::revealScroll(Strip{}, 1000, config(mode)), 0);
    }
    EXPECT_EQ(StripLayout::centeredScroll(threeHalves(7), 1000, 10), 0);
}

TEST(StripLayoutReveal, NeverShowsTheLeftEdgeOfAColumnWiderThanTheViewport) {
    // Width 1505 at x 505: aligning its right edge from scroll 0 would hide its left edge, and
    // the following reveal would jump back to the left edge.
    Strip wide = strip({column({1}, 0.5), column({2}, 1.5)}, 1, 0);
    const LayoutConfig never = config(CenterMode::never);
    const double first = StripLayout::revealScroll(wide, 1000, never);
    EXPECT_EQ(first, 505);
    wide.scrollOffset = first;
    EXPECT_EQ(StripLayout::revealScroll(wide, 1000, never), first);
    wide.scrollOffset = 900;
    EXPECT_EQ(StripLayout::revealScroll(wide, 1000, never), 505);
}

TEST(StripLayoutNearest, ContainingSpanThenDistanceWithLeftmostOnTies) {
    const Strip halves = strip({column({1}, 0.5), column({2}, 0.5)});
    EXPECT_EQ(StripLayout::nearestColumn(halves, 0, 1000, 0), 0);   // centre on the boundary
    EXPECT_EQ(StripLayout::nearestColumn(halves, 0, 1000, 10), 0);  // 5 from either side
    EXPECT_EQ(StripLayout::nearestColumn(halves, 2, 1000, 10), 1);  // 3 from the right one
    EXPECT_EQ(StripLayout::nearestColumn(halves, 300, 1000, 10), 1);
    EXPECT_EQ(StripLayout::nearestColumn(halves, 5000, 1000, 10), 1);
    EXPECT_EQ(StripLayout::nearestColumn(halves, -5000, 1000, 10), 0);
    EXPECT_EQ(StripLayout::nearestColumn(Strip{}, 300, 1000, 10), 0);
}

TEST(StripLayoutBounds, ReachSixPercentPastEitherEnd) {
    EXPECT_EQ(StripLayout::scrollBounds(Strip{}, 1000, 10), (StripLayout::ScrollRange{-60, 60}));
    EXPECT_EQ(StripLayout::scrollBounds(threeHalves(0), 1000, 10),
              (StripLayout::ScrollRange{-60, 565}));
    const auto range = StripLayout::scrollBounds(threeHalves(0), 1000, 10);
    EXPECT_TRUE(range.contains(-60));
    EXPECT_TRUE(range.contains(565));
    EXPECT_FALSE(range.contains(565.5));
    EXPECT_EQ(range.clamped(-100), -60);
    EXPECT_EQ(range.clamped(1000), 565);
    EXPECT_EQ(range.clamped(12), 12);
}

TEST(StripLayoutRows, ShareByWeightAndHoldRowsAtTheirMinimum) {
    using V = std::vector<double>;
    EXPECT_EQ(StripLayout::rowHeights(V{1, 1}, V{700, 0}, 800), (V{700, 100}));
    EXPECT_EQ(StripLayout::rowHeights(V{1, 3}, V{0, 0}, 800), (V{200, 600}));
    EXPECT_EQ(StripLayout::rowHeights(V{1, 1}, V{500, 600}, 800), (V{500, 600}));  // overflows
    EXPECT_EQ(StripLayout::rowHeights(V{1, 1, 1}, V{0, 250, 260}, 600), (V{90, 250, 260}));
    // Holding row 0 leaves row 1 short on the second pass; a third pass settles it.
    EXPECT_EQ(StripLayout::rowHeights(V{1, 1, 8}, V{120, 100, 0}, 1000), (V{120, 100, 780}));
    EXPECT_EQ(StripLayout::rowHeights(V{0, 0}, V{0, 0}, 100), (V{0, 0}));
    EXPECT_TRUE(StripLayout::rowHeights(V{}, V{}, 100).empty());
    // Rows beyond the given minimums have none.
    const V partial = StripLayout::rowHeights(V{1, 1, 2}, V{300}, 800);
    ASSERT_EQ(partial.size(), 3u);
    EXPECT_EQ(partial[0], 300);
    EXPECT_DOUBLE_EQ(partial[1], 500.0 / 3);
    EXPECT_DOUBLE_EQ(partial[2], 1000.0 / 3);
}

TEST(StripLayoutRows, StackFitsWithHalfAPointOfSlack) {
    using V = std::vector<double>;
    EXPECT_TRUE(StripLayout::stackFits(V{300, 400}, 710, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{300, 400}, 709.5, 10));
    EXPECT_FALSE(StripLayout::stackFits(V{300, 400}, 709.4, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{}, 0, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{900}, 900, 10));
}

TEST(CenterModeNames, RoundTripAndRejectEverythingElse) {
    for (CenterMode mode : allCenterModes) {
        EXPECT_EQ(centerModeFromString(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(CenterMode::onOverflow), "onOverflow");
    EXPECT_EQ(centerModeFromString("Never"), std::nullopt);
    EXPECT_EQ(centerModeFromString("onoverflow"), std::nullopt);
    EXPECT_EQ(centerModeFromString(""), std::nullopt);
}

}  // namespace
}  // namespace tessarin
