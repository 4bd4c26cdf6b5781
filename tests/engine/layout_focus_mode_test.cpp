#include "engine/layout_geometry.hpp"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

// A display whose visible frame loses a 25-point menu bar.
Display displayAt(const std::string& uuid, Rect frame) {
    return Display{0, uuid, uuid, frame, {frame.x, frame.y + 25, frame.width, frame.height - 25}};
}

// Columns of 0.6, 0.5 and 0.5 with the middle one focused, and their normal frames on a
// 1000 × 800 display with no outer gap (the area is 1000 × 775 at (0, 25)).
Strip threeColumns(std::int64_t focused) {
    Strip strip({Column({1}, 0.6), Column({2, 4}, 0.5), Column({3}, 0.5)});
    strip.focusedColumn = focused;
    return strip;
}
const WindowMap<Rect> normal{{1, {-500, 25, 600, 775}},
                             {2, {110, 25, 495, 382}},
                             {4, {110, 417, 495, 383}},
                             {3, {615, 25, 495, 775}}};

WindowMap<Rect> focusOn(const std::vector<Display>& displays, std::int64_t focused) {
    const LayoutGeometry geometry =
        LayoutGeometry::of(displays.front(), displays, 10, 0, CenterMode::never);
    return focusFrames(normal, geometry, threeColumns(focused), 0.7, 0.9, {});
}

TEST(LayoutFocusMode, TheFocusedColumnIsCentredAndTheOthersParkAtTheEdges) {
    const auto frames = focusOn({displayAt("MAIN", {0, 0, 1000, 800})}, 1);
    // 700 × 698 centred on the area; its two windows share that height.
    EXPECT_EQ(*frames.find(2), (Rect{150, 64, 700, 344}));
    EXPECT_EQ(*frames.find(4), (Rect{150, 418, 700, 344}));
    // Two points of a parked window stay visible at the edge; its size is kept.
    EXPECT_EQ(*frames.find(1), (Rect{-598, 25, 600, 775}));
    EXPECT_EQ(*frames.find(3), (Rect{998, 25, 495, 775}));
    EXPECT_EQ(frames.size(), normal.size());
}

TEST(LayoutFocusMode, ColumnsHideBelowTheBottomEdgeOnASideWithANeighbour) {
    const auto frames =
        focusOn({displayAt("MAIN", {0, 0, 1000, 800}), displayAt("LEFT", {-1200, 0, 1200, 900}),
                 displayAt("RIGHT", {1000, 100, 800, 600})},
                1);
    EXPECT_EQ(*frames.find(1), (Rect{0, 798, 600, 775}));
    EXPECT_EQ(*frames.find(3), (Rect{505, 798, 495, 775}));
    EXPECT_EQ(frames.find(2)->width, 700);
}

TEST(LayoutFocusMode, AFocusedColumnOutsideTheStripLeavesTheNormalFrames) {
    for (std::int64_t focused : {-1, 3, 7}) {
        EXPECT_EQ(focusOn({displayAt("MAIN", {0, 0, 1000, 800})}, focused), normal) << focused;
    }
}

TEST(LayoutGeometry, DisplaysWithinTwoPointsAdjoinAndTheAreaLosesTheOuterGap) {
    const std::vector<Display> displays{
        displayAt("MAIN", {0, 0, 1440, 900}), displayAt("NEAR", {1441.5, 0, 1000, 800}),
        displayAt("FAR", {-1002, 0, 1000, 800}), displayAt("BELOW", {1440, 900, 1000, 800})};
    EXPECT_TRUE(adjoinsRight(displays[0], displays));
    EXPECT_TRUE(adjoinsLeft(displays[1], displays));
    EXPECT_FALSE(adjoinsLeft(displays[0], displays));
    EXPECT_FALSE(adjoinsRight(displays[2], displays));
    // Touching only at a corner is no overlap.
    EXPECT_FALSE(adjoinsLeft(displays[3], displays));
    EXPECT_FALSE(adjoinsRight(displays[1], displays));

    const auto main = [&](double outerGap) {
        return LayoutGeometry::of(displays[0], displays, 10, outerGap, CenterMode::always);
    };
    EXPECT_EQ(main(0).area, (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(main(20).area, (Rect{20, 45, 1400, 835}));
    EXPECT_EQ(main(20).bounds, displays[0].frame);
    EXPECT_EQ(main(20).config, (LayoutConfig{10, CenterMode::always, 2}));
    EXPECT_TRUE(main(0).neighbourRight);
    EXPECT_FALSE(main(0).neighbourLeft);
}

}  // namespace
}  // namespace tessarin::test
