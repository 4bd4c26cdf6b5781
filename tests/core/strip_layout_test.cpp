#include <gtest/gtest.h>

#include "core/strip_layout.hpp"

namespace tessarin {
namespace {

// A column with explicit row weights (fewer weights than windows is allowed on purpose).
Column column(std::vector<WindowID> windows, double fraction, std::vector<double> weights = {}) {
    Column result(std::move(windows), fraction);
    if (!weights.empty()) result.heightWeights = std::move(weights);
    return result;
}

Strip strip(std::vector<Column> columns, std::int64_t focused = 0, double scroll = 0) {
    Strip result(std::move(columns));
    result.focusedColumn = focused;
    result.scrollOffset = scroll;
    return result;
}

LayoutConfig config(CenterMode mode, double gap = 10, double peek = 8) {
    return LayoutConfig{gap, mode, peek};
}

// Three half-width columns. On an area of 1000 with gap 10: widths 495 at 0, 505 and 1010;
// content 1505, so the scroll can reach 505. On the 980 wide area of the frame tests: widths
// 485 at 0, 495 and 990.
Strip threeHalves(std::int64_t focused = 0, double scroll = 0) {
    return strip({column({1}, 0.5), column({2}, 0.5), column({3}, 0.5)}, focused, scroll);
}

// ---- frames on a 1000 × 800 display with the area inset by the gap ----

constexpr Rect bounds{0, 0, 1000, 800};
constexpr Rect area{10, 10, 980, 780};

StripLayout::Frames layout(const Strip& s, double scroll, bool left = false, bool right = false,
                           const StripLayout::MinHeights& mins = {}, const Rect& on = bounds) {
    return StripLayout::frames(s, scroll, area, on, config(CenterMode::never), left, right, mins);
}

Rect frameOf(const StripLayout::Frames& frames, WindowID window) {
    const Rect* frame = frames.find(window);
    EXPECT_NE(frame, nullptr) << "no frame for window " << window;
    return frame ? *frame : Rect{};
}

TEST(StripLayoutFrames, RowsScrollingAndParking) {
    struct Case {
        const char* what;
        Strip strip;
        double scroll;
        WindowID window;
        Rect expected;
        bool left = false, right = false;
        StripLayout::MinHeights mins = {};
        Rect bounds = tessarin::bounds;
    };
    const Strip stack = strip({column({1, 2, 3}, 0.5)});
    const Strip pair = strip({column({1, 2}, 0.5)});
    // Row 1 has no weight and counts as 1.0: 770 × 3/4 = 577.5 rounds up, 192.5 rounds up too,
    // so the last row ends one point below the area rather than being cut.
    const Strip missing = strip({column({1, 2}, 0.5, {3})});
    const Strip stackThenOne = strip({column({1, 2}, 0.5), column({3}, 0.5)});
    const Strip one = strip({column({1}, 0.5)});
    const Strip twice = strip({column({7}, 0.5), column({8, 7}, 0.5)});
    const Rect narrow{0, 0, 400, 800};
    const Case cases[] = {
        {"fills the height", one, 0, 1, {10, 10, 485, 780}},
        // 760 usable points over three rows: 253.33 each; the last row absorbs the rest.
        {"rows round", stack, 0, 1, {10, 10, 485, 253}},
        {"rows round", stack, 0, 2, {10, 273, 485, 253}},
        {"last row absorbs", stack, 0, 3, {10, 536, 485, 254}},
        {"minimum", pair, 0, 1, {10, 10, 485, 270}, false, false, {{2, 500}}},
        {"minimum", pair, 0, 2, {10, 290, 485, 500}, false, false, {{2, 500}}},
        {"missing weight", missing, 0, 1, {10, 10, 485, 578}},
        {"missing weight", missing, 0, 2, {10, 598, 485, 193}},
        {"a later entry for the same window wins", twice, 0, 7, {505, 405, 485, 385}},
        // Scroll 495: column 1 ends exactly at the left edge, column 3 is fully visible.
        {"off the left edge: peek", threeHalves(), 495, 1, {-477, 10, 485, 780}},
        {"visible", threeHalves(), 495, 2, {10, 10, 485, 780}},
        {"visible", threeHalves(), 495, 3, {505, 10, 485, 780}},
        {"at the right edge: peek", threeHalves(), 0, 3, {992, 10, 485, 780}},
        // Scroll 300: column 1 spans -290..195, column 3 spans 700..1185.
        {"partly off, alone: stays", threeHalves(), 300, 1, {-290, 10, 485, 780}},
        {"partly off, alone: stays", threeHalves(), 300, 3, {700, 10, 485, 780}},
        {"partly off: hides", threeHalves(), 300, 1, {0, 792, 485, 780}, true, true},
        {"between neighbours", threeHalves(), 300, 2, {205, 10, 485, 780}, true, true},
        {"partly off: hides", threeHalves(), 300, 3, {515, 792, 485, 780}, true, true},
        {"hidden stacks share the top", stackThenOne, 300, 1, {0, 792, 485, 385}, true},
        {"hidden stacks share the top", stackThenOne, 300, 2, {0, 792, 485, 385}, true},
        {"beside a hidden stack", stackThenOne, 300, 3, {205, 10, 485, 780}, true},
        // A column wider than a narrow display crosses both edges: parked on the left.
        {"off both sides", one, 20, 1, {0, 792, 485, 780}, true, true, {}, narrow},
    };
    for (const Case& c : cases) {
        const auto frames = layout(c.strip, c.scroll, c.left, c.right, c.mins, c.bounds);
        EXPECT_EQ(frameOf(frames, c.window), c.expected) << c.what << ", window " << c.window;
    }
}

TEST(StripLayoutFrames, FrameCountsAndRounding) {
    EXPECT_EQ(layout(strip({column({7}, 0.5), column({8, 7}, 0.5)}), 0).size(), 2u);
    // Empty columns keep their place but get no frames.
    const auto gapped = layout(strip({column({1}, 0.5), column({}, 0.5), column({3}, 0.5)}), 0);
    EXPECT_EQ(gapped.size(), 2u);
    EXPECT_EQ(frameOf(gapped, 3).x, bounds.maxX() - 8);  // at 1000: off, parked

    // X rounds halves away from zero.
    const Strip s = strip({column({1}, 0.5)});
    const Rect shifted{10.5, 10, 980, 780};
    const LayoutConfig never = config(CenterMode::never);
    EXPECT_EQ(StripLayout::frames(s, 0, shifted, bounds, never, false, false, {}).find(1)->x, 11);
    EXPECT_EQ(StripLayout::frames(s, 11, shifted, bounds, never, false, false, {}).find(1)->x, -1);

    // Refilling reuses the map and drops stale windows.
    StripLayout::Frames frames = layout(threeHalves(), 0);
    StripLayout::frames(strip({column({9}, 0.5)}), 0, area, bounds, never, false, false, {},
                        frames);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frameOf(frames, 9), (Rect{10, 10, 485, 780}));
}

// ---- widths, scrolling and rows ----

TEST(StripLayoutWidth, SharesAreaPlusOneGapRoundsAwayFromZeroAndKeepsMinimum) {
    EXPECT_EQ(StripLayout::width(0.5, 1000, 10), 495);
    EXPECT_EQ(StripLayout::width(0.1, 500, 20), 80);   // 32 before the minimum
    EXPECT_EQ(StripLayout::width(0.5, 999, 10), 495);  // exactly 494.5
    EXPECT_EQ(StripLayout::width(0.25, 998, 0), 250);  // exactly 249.5
    EXPECT_EQ(StripLayout::width(1.0, 1440, 12), 1440);
}

// The never mode never shows the left edge of a column wider than the viewport.
TEST(StripLayoutReveal, ByCentringMode) {
    const Strip fits = strip({column({1}, 0.3), column({2}, 0.3)}, 1, 40);
    const std::tuple<const char*, Strip, CenterMode, double> cases[] = {
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
    for (const auto& [name, s, mode, expected] : cases)
        EXPECT_EQ(StripLayout::revealScroll(s, 1000, config(mode)), expected) << name;
    EXPECT_EQ(StripLayout::centeredScroll(threeHalves(1), 1000, 10), 252.5);
    // An invalid focus or an empty strip gives zero.
    for (CenterMode mode : allCenterModes) {
        EXPECT_EQ(StripLayout::revealScroll(threeHalves(3, 200), 1000, config(mode)), 0);
        EXPECT_EQ(StripLayout::revealScroll(threeHalves(-1, 200), 1000, config(mode)), 0);
        EXPECT_EQ(StripLayout::revealScroll(Strip{}, 1000, config(mode)), 0);
    }
    EXPECT_EQ(StripLayout::centeredScroll(threeHalves(7), 1000, 10), 0);

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

// Distances and empty strips are the layout properties' check; here the ties.
TEST(StripLayoutNearest, ContainingSpanThenDistanceWithLeftmostOnTies) {
    const Strip halves = strip({column({1}, 0.5), column({2}, 0.5)});
    EXPECT_EQ(StripLayout::nearestColumn(halves, 0, 1000, 0), 0);   // centre on the boundary
    EXPECT_EQ(StripLayout::nearestColumn(halves, 0, 1000, 10), 0);  // 5 from either side
    EXPECT_EQ(StripLayout::nearestColumn(halves, 2, 1000, 10), 1);  // 3 from the right one
}

TEST(StripLayoutBounds, ReachSixPercentPastEitherEnd) {
    EXPECT_EQ(StripLayout::scrollBounds(Strip{}, 1000, 10), (StripLayout::ScrollRange{-60, 60}));
    const auto range = StripLayout::scrollBounds(threeHalves(0), 1000, 10);
    EXPECT_EQ(range, (StripLayout::ScrollRange{-60, 565}));
    EXPECT_TRUE(range.contains(-60));
    EXPECT_TRUE(range.contains(565));
    EXPECT_FALSE(range.contains(565.5));
    EXPECT_EQ(range.clamped(-100), -60);
    EXPECT_EQ(range.clamped(1000), 565);
    EXPECT_EQ(range.clamped(12), 12);
}

TEST(StripLayoutRows, ShareByWeightHoldRowsAtTheirMinimumAndFitWithSlack) {
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

    // A stack fits with half a point of slack.
    EXPECT_TRUE(StripLayout::stackFits(V{300, 400}, 710, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{300, 400}, 709.5, 10));
    EXPECT_FALSE(StripLayout::stackFits(V{300, 400}, 709.4, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{}, 0, 10));
    EXPECT_TRUE(StripLayout::stackFits(V{900}, 900, 10));
}

TEST(CenterModeNames, RoundTripAndRejectEverythingElse) {
    for (CenterMode mode : allCenterModes)
        EXPECT_EQ(centerModeFromString(rawValue(mode)), mode);
    EXPECT_EQ(rawValue(CenterMode::onOverflow), "onOverflow");
    for (const char* bad : {"Never", "onoverflow", ""})
        EXPECT_EQ(centerModeFromString(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace tessarin
