#include <gtest/gtest.h>

#include "core/strip_layout.hpp"
#include "strip_layout_fixtures.hpp"

namespace tessarin {
namespace {

using test::column;
using test::strip;

// A 1000 × 800 display with the area inset by the gap: columns of 0.5 are 485 wide and sit at
// 0, 495 and 990 along the strip.
constexpr Rect bounds{0, 0, 1000, 800};
constexpr Rect area{10, 10, 980, 780};
const LayoutConfig config{10, CenterMode::never, 8};

StripLayout::Frames layout(const Strip& s, double scroll, bool left = false, bool right = false,
                           const StripLayout::MinHeights& mins = {}) {
    return StripLayout::frames(s, scroll, area, bounds, config, left, right, mins);
}

Rect frameOf(const StripLayout::Frames& frames, WindowID window) {
    const Rect* frame = frames.find(window);
    EXPECT_NE(frame, nullptr) << "no frame for window " << window;
    return frame ? *frame : Rect{};
}

Strip threeHalves() {
    return strip({column({1}, 0.5), column({2}, 0.5), column({3}, 0.5)});
}

TEST(StripLayoutFrames, SingleWindowFillsTheAreaHeight) {
    const auto frames = layout(strip({column({1}, 0.5)}), 0);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frameOf(frames, 1), (Rect{10, 10, 485, 780}));
}

TEST(StripLayoutFrames, StackRowsRoundAndTheLastRowAbsorbsTheRest) {
    // 760 usable points over three rows: 253.33 each.
    const auto frames = layout(strip({column({1, 2, 3}, 0.5)}), 0);
    EXPECT_EQ(frameOf(frames, 1), (Rect{10, 10, 485, 253}));
    EXPECT_EQ(frameOf(frames, 2), (Rect{10, 273, 485, 253}));
    EXPECT_EQ(frameOf(frames, 3), (Rect{10, 536, 485, 254}));
}

TEST(StripLayoutFrames, StackHonoursMinimumsAndMissingWeights) {
    const auto withMin = layout(strip({column({1, 2}, 0.5)}), 0, false, false, {{2, 500}});
    EXPECT_EQ(frameOf(withMin, 1), (Rect{10, 10, 485, 270}));
    EXPECT_EQ(frameOf(withMin, 2), (Rect{10, 290, 485, 500}));

    // Row 1 has no weight and counts as 1.0: 770 × 3/4 = 577.5 rounds up, 192.5 rounds up too,
    // so the last row ends one point below the area rather than being cut.
    const auto missing = layout(strip({column({1, 2}, 0.5, {3})}), 0);
    EXPECT_EQ(frameOf(missing, 1), (Rect{10, 10, 485, 578}));
    EXPECT_EQ(frameOf(missing, 2), (Rect{10, 598, 485, 193}));
}

TEST(StripLayoutFrames, XRoundsHalvesAwayFromZero) {
    const Strip s = strip({column({1}, 0.5)});
    const Rect shifted{10.5, 10, 980, 780};
    EXPECT_EQ(StripLayout::frames(s, 0, shifted, bounds, config, false, false, {}).find(1)->x, 11);
    EXPECT_EQ(StripLayout::frames(s, 11, shifted, bounds, config, false, false, {}).find(1)->x, -1);
}

TEST(StripLayoutFrames, EmptyColumnsKeepTheirPlaceButGetNoFrames) {
    const auto frames = layout(strip({column({1}, 0.5), column({}, 0.5), column({3}, 0.5)}), 0);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(frameOf(frames, 3).x, bounds.maxX() - config.peek);  // at 1000: off, parked
    EXPECT_EQ(layout(Strip{}, 0).size(), 0u);
}

TEST(StripLayoutFrames, ALaterEntryForTheSameWindowWins) {
    const auto frames = layout(strip({column({7}, 0.5), column({8, 7}, 0.5)}), 0);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(frameOf(frames, 7), (Rect{505, 405, 485, 385}));
}

TEST(StripLayoutFrames, ColumnsEntirelyOffAnEdgeWithoutNeighboursShowThePeek) {
    // Scroll 495: column 1 ends exactly at the left edge, column 3 is fully visible.
    const auto scrolled = layout(threeHalves(), 495);
    EXPECT_EQ(frameOf(scrolled, 1), (Rect{-477, 10, 485, 780}));
    EXPECT_EQ(frameOf(scrolled, 2), (Rect{10, 10, 485, 780}));
    EXPECT_EQ(frameOf(scrolled, 3), (Rect{505, 10, 485, 780}));
    // Scroll 0: column 3 starts exactly at the right edge.
    EXPECT_EQ(frameOf(layout(threeHalves(), 0), 3), (Rect{992, 10, 485, 780}));
}

TEST(StripLayoutFrames, PartlyOffColumnsStayWithoutNeighbourAndHideBelowWithOne) {
    // Scroll 300: column 1 spans -290..195, column 3 spans 700..1185.
    const auto alone = layout(threeHalves(), 300);
    EXPECT_EQ(frameOf(alone, 1), (Rect{-290, 10, 485, 780}));
    EXPECT_EQ(frameOf(alone, 3), (Rect{700, 10, 485, 780}));

    const auto neighbours = layout(threeHalves(), 300, true, true);
    EXPECT_EQ(frameOf(neighbours, 1), (Rect{0, 792, 485, 780}));
    EXPECT_EQ(frameOf(neighbours, 2), (Rect{205, 10, 485, 780}));
    EXPECT_EQ(frameOf(neighbours, 3), (Rect{515, 792, 485, 780}));
}

TEST(StripLayoutFrames, HiddenStacksShareTheParkedTop) {
    const Strip s = strip({column({1, 2}, 0.5), column({3}, 0.5)});
    const auto frames = layout(s, 300, true, false);
    EXPECT_EQ(frameOf(frames, 1).y, 792);
    EXPECT_EQ(frameOf(frames, 2).y, 792);
    EXPECT_EQ(frameOf(frames, 1).height, 385);
    EXPECT_EQ(frameOf(frames, 3).y, 10);
}

TEST(StripLayoutFrames, OffOnBothSidesParksOnTheLeft) {
    // A column wider than a narrow display crosses both edges.
    const Rect narrow{0, 0, 400, 800};
    const auto frames =
        StripLayout::frames(strip({column({1}, 0.5)}), 20, area, narrow, config, true, true, {});
    EXPECT_EQ(frameOf(frames, 1), (Rect{0, 792, 485, 780}));
}

TEST(StripLayoutFrames, RefillingReusesTheMapAndDropsStaleWindows) {
    StripLayout::Frames frames = layout(threeHalves(), 0);
    StripLayout::frames(strip({column({9}, 0.5)}), 0, area, bounds, config, false, false, {},
                        frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frameOf(frames, 9), (Rect{10, 10, 485, 780}));
}

}  // namespace
}  // namespace tessarin
