#include "layout_fixture.hpp"

namespace tessarin::test {

// A 1000 × 800 primary display with no outer gap: the area is 1000 × 775 at (0, 25).
class LayoutFocusMode : public LayoutTest {
  protected:
    void SetUp() override {
        LayoutTest::SetUp();
        prefs->setOuterGap(0);
    }

    Display startOn(Rect frame) {
        desktop.plugDisplay(sim::makeDisplay(primaryUUID, frame, "Built-in"));
        start();
        return engine->display(primaryUUID).value_or(Display{});
    }

    // Columns of 0.6, 0.5 and 0.5 with the middle one focused, and their normal frames.
    Strip threeColumns(std::int64_t focused) {
        Strip strip({Column({1}, 0.6), Column({2, 4}, 0.5), Column({3}, 0.5)});
        strip.focusedColumn = focused;
        return strip;
    }
    const WindowMap<Rect> normal{{1, {-500, 25, 600, 775}},
                                 {2, {110, 25, 495, 382}},
                                 {4, {110, 417, 495, 383}},
                                 {3, {615, 25, 495, 775}}};
};

TEST_F(LayoutFocusMode, TheFocusedColumnIsCentredAndTheOthersParkAtTheEdges) {
    const Display display = startOn({0, 0, 1000, 800});
    const auto frames = engine->focusFrames(normal, display, threeColumns(1));

    // 700 × 698 centred on the area; its two windows share that height.
    EXPECT_EQ(*frames.find(2), (Rect{150, 64, 700, 344}));
    EXPECT_EQ(*frames.find(4), (Rect{150, 418, 700, 344}));
    // Two points of a parked window stay visible at the edge; its size is kept.
    EXPECT_EQ(*frames.find(1), (Rect{-598, 25, 600, 775}));
    EXPECT_EQ(*frames.find(3), (Rect{998, 25, 495, 775}));
    EXPECT_EQ(frames.size(), normal.size());
}

TEST_F(LayoutFocusMode, ColumnsHideBelowTheBottomEdgeOnASideWithANeighbour) {
    desktop.plugDisplay(sim::makeDisplay(primaryUUID, {0, 0, 1000, 800}, "Built-in"));
    desktop.plugDisplay(sim::makeDisplay("LEFT-UUID", {-1200, 0, 1200, 900}, "Left"));
    desktop.plugDisplay(sim::makeDisplay("RIGHT-UUID", {1000, 100, 800, 600}, "Right"));
    start();
    const Display display = engine->display(primaryUUID).value_or(Display{});
    const auto frames = engine->focusFrames(normal, display, threeColumns(1));

    EXPECT_EQ(*frames.find(1), (Rect{0, 798, 600, 775}));
    EXPECT_EQ(*frames.find(3), (Rect{505, 798, 495, 775}));
    EXPECT_EQ(frames.find(2)->width, 700);
}

TEST_F(LayoutFocusMode, AFocusedColumnOutsideTheStripLeavesTheNormalFrames) {
    const Display display = startOn({0, 0, 1000, 800});
    for (std::int64_t focused : {-1, 3, 7}) {
        EXPECT_EQ(engine->focusFrames(normal, display, threeColumns(focused)), normal) << focused;
    }
}

TEST_F(LayoutFocusMode, FocusModeLaysOutTheFocusedWindowLarge) {
    startOn({0, 0, 1000, 800});
    const Pid pid = launch("com.example.editor");
    const WindowID first = openSettled(pid, "First");
    const WindowID second = openSettled(pid, "Second");
    ASSERT_EQ(strip()->focusedWindow(), second);

    engine->toggleFocusMode();
    settle();
    EXPECT_EQ(frameOf(second), (Rect{150, 64, 700, 698}));
    EXPECT_EQ(frameOf(first).x, -frameOf(first).width + 2);
    EXPECT_TRUE(engine->state().morphs.empty());
}

TEST_F(LayoutFocusMode, DisplaysWithinTwoPointsAdjoin) {
    desktop.plugDisplay(sim::makeDisplay(primaryUUID, {0, 0, 1440, 900}, "Built-in"));
    desktop.plugDisplay(sim::makeDisplay("NEAR-UUID", {1441.5, 0, 1000, 800}, "Near"));
    desktop.plugDisplay(sim::makeDisplay("FAR-UUID", {-1002, 0, 1000, 800}, "Far"));
    desktop.plugDisplay(sim::makeDisplay("BELOW-UUID", {1440, 900, 1000, 800}, "Below"));
    start();
    auto shown = [&](const std::string& key) { return engine->display(key).value_or(Display{}); };

    EXPECT_TRUE(engine->neighbourRight(shown(primaryUUID)));
    EXPECT_TRUE(engine->neighbourLeft(shown("NEAR-UUID")));
    EXPECT_FALSE(engine->neighbourLeft(shown(primaryUUID)));
    EXPECT_FALSE(engine->neighbourRight(shown("FAR-UUID")));
    // Touching only at a corner is no overlap.
    EXPECT_FALSE(engine->neighbourLeft(shown("BELOW-UUID")));
    EXPECT_FALSE(engine->neighbourRight(shown("NEAR-UUID")));
}

TEST_F(LayoutFocusMode, DisplaysAreFoundByTheirKey) {
    startOn({0, 0, 1000, 800});
    EXPECT_EQ(engine->display(primaryUUID)->frame, (Rect{0, 0, 1000, 800}));
    EXPECT_FALSE(engine->display(std::string("UNKNOWN")).has_value());
    EXPECT_FALSE(engine->display(std::nullopt).has_value());
    EXPECT_EQ(engine->area(*engine->display(primaryUUID)), (Rect{0, 25, 1000, 775}));
    prefs->setOuterGap(20);
    EXPECT_EQ(engine->area(*engine->display(primaryUUID)), (Rect{20, 45, 960, 735}));
}

}  // namespace tessarin::test
