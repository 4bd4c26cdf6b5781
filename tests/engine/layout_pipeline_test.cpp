#include <utility>

#include "engine_fixture.hpp"

// On the 1440 × 900 primary display the layout area is 1420 × 855 at (10, 35) and a half-width
// column is 705 points wide, so three columns span 2135 points and scroll at most 715.

namespace tessarin::test {

constexpr double kLastColumnScroll = 715;

class LayoutPipeline : public EngineTest {
  protected:
    // Three columns, the last focused and revealed.
    std::vector<WindowID> startWithThree(int refreshRate = 60) {
        auto setup = sim::makeDisplay(primaryUUID, {0, 0, 1440, 900}, "Built-in");
        setup.refreshRate = refreshRate;
        desktop.plugDisplay(setup);
        start();
        auto ids = openColumns(3);
        EXPECT_EQ(scroll(), kLastColumnScroll);
        return ids;
    }

    // Applies of the primary strip while it scrolls back to the start; the timer stops after.
    int appliesDuringScrollToTheStart() {
        indicator.applies = 0;
        engine->perform(Action::focusFirst);
        advance(0.5);
        EXPECT_EQ(scroll(), 0);
        EXPECT_FALSE(view().animating());
        return indicator.applies;
    }
};

TEST_F(LayoutPipeline, ChangesOfOneTurnMergeIntoOneLayoutThatReveals) {
    const auto ids = startWithThree();
    settle();
    store.stripSaves = 0;
    const int applies = indicator.applies;

    // Two windows close in one turn: one layout pass, one save.
    desktop.closeWindow(ids[0]);
    desktop.closeWindow(ids[1]);
    runner.runPending();
    EXPECT_EQ(indicator.applies, applies + 1);
    ASSERT_TRUE(view().animation(primaryUUID));
    EXPECT_EQ(view().animation(primaryUUID)->to, 0);

    settle();
    EXPECT_EQ(scroll(), 0);
    EXPECT_EQ(store.stripSaves, 1);
}

TEST_F(LayoutPipeline, AScrollEasesOutOverALengthThatFollowsTheSpeedSetting) {
    // 100 Hz ticks land exactly on the half time of 0.24 s.
    startWithThree(100);
    engine->perform(Action::focusFirst);
    const ScrollAnimation animation = *view().animation(primaryUUID);
    EXPECT_EQ(animation.from, kLastColumnScroll);
    EXPECT_EQ(animation.to, 0);
    EXPECT_DOUBLE_EQ(animation.duration, 0.24);
    EXPECT_EQ(scroll(), kLastColumnScroll);  // the stored offset moves only with the ticks

    advance(0.0605);
    // t = 0.25: 1 − 0.75³ = 0.578125 of the way.
    EXPECT_NEAR(scroll(), kLastColumnScroll * (1 - 0.578125), 1e-6);
    advance(0.06);
    EXPECT_NEAR(scroll(), kLastColumnScroll * 0.125, 1e-6);
    advance(0.2);
    EXPECT_EQ(scroll(), 0);
    EXPECT_FALSE(view().animation(primaryUUID));
    EXPECT_FALSE(view().animating());

    // The speed setting scales the length within its limits.
    prefs->setAnimationSpeed(2.0);
    engine->perform(Action::focusLast);
    EXPECT_DOUBLE_EQ(view().animation(primaryUUID)->duration, 0.12);
    advance(0.11);
    EXPECT_TRUE(view().animation(primaryUUID));
    advance(0.03);
    EXPECT_FALSE(view().animation(primaryUUID));
    EXPECT_EQ(scroll(), kLastColumnScroll);
    prefs->setAnimationSpeed(0.1);  // raised to 0.25
    engine->perform(Action::focusFirst);
    EXPECT_DOUBLE_EQ(view().animation(primaryUUID)->duration, 0.96);
    advance(0.95);
    EXPECT_TRUE(view().animation(primaryUUID));
    advance(0.03);
    EXPECT_FALSE(view().animation(primaryUUID));
    EXPECT_EQ(scroll(), 0);
}

// Over 0.24 s: one apply when the scroll starts, then one per tick until t reaches 1 (29 ticks
// at 120 Hz, 15 at 60 Hz). Ticks follow the fastest display, at least 60 and at most 120 a second.
TEST_F(LayoutPipeline, TicksFollowTheFastestDisplayWithinTheirLimits) {
    prefs->setShowIndicator(false);
    startWithThree(30);
    EXPECT_EQ(appliesDuringScrollToTheStart(), 1 + 15);

    auto side = sim::makeDisplay("SIDE-UUID", {1440, 0, 1000, 800}, "Side");
    side.refreshRate = 240;
    desktop.plugDisplay(side);
    engine->perform(Action::focusLast);
    settle();
    ASSERT_EQ(scroll(), kLastColumnScroll);
    EXPECT_EQ(appliesDuringScrollToTheStart(), 1 + 29);
}

TEST_F(LayoutPipeline, UnchangedFramesAreNeverWrittenAgain) {
    auto ids = startWithColumns(4);
    ASSERT_EQ(scroll(), 1430);
    // The first column stays parked at the left edge when the view moves to the second.
    const Rect parked = frameOf(ids[0]);
    EXPECT_EQ(parked.x, -703);

    desktop.clearWrites();
    engine->perform(Action::focusLeft);
    engine->perform(Action::focusLeft);
    settle();
    ASSERT_EQ(scroll(), 715);
    EXPECT_EQ(frameWrites(ids[0]), 0);
    EXPECT_EQ(frameOf(ids[0]), parked);
    // The others only move: positions are written, sizes are not.
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_GE(writesTo(ids[i], "AXPosition"), 1) << i;
        EXPECT_EQ(writesTo(ids[i], "AXSize"), 0) << i;
    }

    // A morph that ends where every window already is writes nothing.
    desktop.clearWrites();
    engine->perform(Action::equalizeHeights);
    settle();
    EXPECT_TRUE(desktop.writes().empty());
}

TEST_F(LayoutPipeline, OwnEchoesAreIgnoredWhileAUsersMoveIsNoticed) {
    startWithColumns(0);
    const WindowID id = open(launch("com.example.notes"), "Notes");
    // Right after the engine's write, within the time its own notifications are ignored.
    advance(0.3);
    const Rect wanted = applied(id).value_or(Rect{});
    ASSERT_EQ(frameOf(id), wanted);
    desktop.moveWindow(id, {wanted.x + 40, wanted.y - 4, wanted.width + 4, wanted.height});
    desktop.moveWindow(id, wanted);
    settle();
    EXPECT_FALSE(view().userMoved(id));

    // Later, a frame within 4 points of the written one is still the engine's own echo...
    desktop.moveWindow(id, {wanted.x + 4, wanted.y - 4, wanted.width + 4, wanted.height - 4});
    settle();
    EXPECT_FALSE(view().userMoved(id));
    EXPECT_FALSE(view().userResized(id));
    EXPECT_EQ(applied(id), wanted);

    // ... and one point more is the user's, taken in once the window has been quiet: a taller
    // window keeps its column's width and goes back to the strip's height.
    desktop.moveWindow(id, {wanted.x, wanted.y, wanted.width, wanted.height + 5});
    advance(0.3);
    EXPECT_TRUE(view().userResized(id));
    EXPECT_FALSE(applied(id).has_value());
    advance(0.1);
    EXPECT_FALSE(view().userResized(id));
    EXPECT_EQ(frameOf(id), wanted);
}

// While the user tries other gaps, the preview lays the strip out with them: the area inset by
// the outer gap, and only the windows that show (a column parked at an edge does not).
TEST_F(LayoutPipeline, GapPreviewLaysTheStripOutWithTheGapsBeingTried) {
    startWithColumns(3);
    const auto screens = engine->previewLayout(20, 30);
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].area, (Rect{30, 55, 1380, 815}));
    ASSERT_EQ(screens[0].windows.size(), 2u);
    for (const Rect& frame : screens[0].windows)
        EXPECT_EQ(frame.width, 680);
    engine->stop(false);
    EXPECT_TRUE(engine->previewLayout(20, 30).at(0).windows.empty());
}

}  // namespace tessarin::test
