#include <utility>

#include "layout_fixture.hpp"

// On the 1440 × 900 primary display the layout area is 1420 × 855 at (10, 35) and a half-width
// column is 705 points wide, so three columns span 2135 points and scroll at most 715.

namespace tessarin::test {

namespace {

constexpr double kLastColumnScroll = 715;

}  // namespace

class LayoutPipeline : public LayoutTest {
  protected:
    // Three columns, the last focused and revealed.
    std::vector<WindowID> startWithThree(int refreshRate = 60,
                                         std::optional<int> sideRefreshRate = std::nullopt) {
        auto setup = sim::makeDisplay(primaryUUID, {0, 0, 1440, 900}, "Built-in");
        setup.refreshRate = refreshRate;
        desktop.plugDisplay(setup);
        if (sideRefreshRate) {
            auto side = sim::makeDisplay("SIDE-UUID", {1440, 0, 1000, 800}, "Side");
            side.refreshRate = *sideRefreshRate;
            desktop.plugDisplay(side);
        }
        start();
        auto ids = openColumns(3);
        EXPECT_EQ(scroll(), kLastColumnScroll);
        return ids;
    }

    // Applies of the primary strip while it scrolls back to the start; the timer stops after.
    int appliesDuringScroll(int refreshRate, std::optional<int> sideRefreshRate = std::nullopt) {
        startWithThree(refreshRate, sideRefreshRate);
        indicator.applies = 0;
        engine->animateScroll(primaryUUID, 0, true);
        advance(0.5);
        EXPECT_EQ(scroll(), 0);
        EXPECT_FALSE(engine->state().animationTimer.has_value());
        return indicator.applies;
    }
};

TEST_F(LayoutPipeline, RequestsOfOneTurnMergeIntoOneLayoutThatReveals) {
    startWithThree();
    for (auto [first, second] : {std::pair{true, false}, std::pair{false, true}}) {
        engine->animateScroll(primaryUUID, 0, false);
        ASSERT_EQ(scroll(), 0);
        settle();
        memory.saves = 0;
        const int applies = indicator.applies;

        engine->setNeedsLayout(primaryUUID, first);
        engine->setNeedsLayout(primaryUUID, second);
        EXPECT_TRUE(engine->state().layoutScheduled);
        EXPECT_TRUE(engine->state().needsLayout.at(primaryUUID));
        EXPECT_EQ(indicator.applies, applies);

        loop.runPending();
        EXPECT_FALSE(engine->state().layoutScheduled);
        EXPECT_TRUE(engine->state().needsLayout.empty());
        EXPECT_EQ(indicator.applies, applies + 1);
        EXPECT_EQ(memory.saves, 1);
        ASSERT_EQ(engine->state().animations.count(primaryUUID), 1u);
        EXPECT_EQ(engine->state().animations.at(primaryUUID).to, kLastColumnScroll);

        settle();
        EXPECT_EQ(scroll(), kLastColumnScroll);
        EXPECT_EQ(memory.saves, 1);
    }
}

TEST_F(LayoutPipeline, ARevealOfAtMostOnePointIsNotAnimated) {
    startWithThree();
    engine->animateScroll(primaryUUID, kLastColumnScroll - 1, false);
    engine->layout(primaryUUID, true);
    EXPECT_TRUE(engine->state().animations.empty());
    EXPECT_EQ(scroll(), kLastColumnScroll);

    engine->animateScroll(primaryUUID, kLastColumnScroll - 1.5, false);
    engine->layout(primaryUUID, true);
    EXPECT_EQ(engine->state().animations.count(primaryUUID), 1u);
    EXPECT_EQ(scroll(), kLastColumnScroll - 1.5);
    settle();
    EXPECT_EQ(scroll(), kLastColumnScroll);
}

TEST_F(LayoutPipeline, AScrollEasesOutAndCovers87AndAHalfPercentAtHalfTime) {
    // 100 Hz ticks land exactly on the half time of 0.24 s.
    startWithThree(100);
    engine->animateScroll(primaryUUID, 0, true);
    const ScrollAnimation animation = engine->state().animations.at(primaryUUID);
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
    EXPECT_TRUE(engine->state().animations.empty());
    EXPECT_FALSE(engine->state().animationTimer.has_value());
}

TEST_F(LayoutPipeline, TheSpeedSettingScalesTheLengthWithinItsLimits) {
    startWithThree();
    const std::pair<double, double> cases[] = {{0.1, 0.96}, {0.25, 0.96}, {1.0, 0.24}, {2.0, 0.12}};
    for (auto [speed, length] : cases) {
        prefs->setAnimationSpeed(speed);
        EXPECT_DOUBLE_EQ(engine->animationLength(), length) << speed;
    }

    prefs->setAnimationSpeed(0.1);
    engine->animateScroll(primaryUUID, 0, true);
    EXPECT_DOUBLE_EQ(engine->state().animations.at(primaryUUID).duration, 0.96);
    advance(0.95);
    EXPECT_EQ(engine->state().animations.count(primaryUUID), 1u);
    advance(0.03);
    EXPECT_TRUE(engine->state().animations.empty());
    EXPECT_EQ(scroll(), 0);

    prefs->setAnimationSpeed(2.0);
    engine->animateScroll(primaryUUID, kLastColumnScroll, true);
    EXPECT_DOUBLE_EQ(engine->state().animations.at(primaryUUID).duration, 0.12);
    advance(0.11);
    EXPECT_EQ(engine->state().animations.count(primaryUUID), 1u);
    advance(0.03);
    EXPECT_TRUE(engine->state().animations.empty());
    EXPECT_EQ(scroll(), kLastColumnScroll);
}

// Over 0.24 s: one apply when the scroll starts, then one per tick until t reaches 1 (29 ticks
// at 120 Hz, 15 at 60 Hz).
TEST_F(LayoutPipeline, TicksAtMost120TimesASecond) {
    EXPECT_EQ(appliesDuringScroll(240), 1 + 29);
}

TEST_F(LayoutPipeline, TicksAtLeast60TimesASecond) {
    EXPECT_EQ(appliesDuringScroll(30), 1 + 15);
}

TEST_F(LayoutPipeline, TicksFollowTheFastestDisplay) {
    EXPECT_EQ(appliesDuringScroll(60, 120), 1 + 29);
}

TEST_F(LayoutPipeline, UnchangedFramesAreNeverWrittenAgain) {
    plugPrimary();
    start();
    auto ids = openColumns(4);
    ASSERT_EQ(scroll(), 1430);
    // The first column stays parked at the left edge when the view moves 10 points.
    const Rect parked = frameOf(ids[0]);
    EXPECT_EQ(parked.x, -703);

    desktop.clearWrites();
    engine->animateScroll(primaryUUID, 1420, false);
    settle();
    EXPECT_EQ(frameWrites(ids[0]), 0);
    EXPECT_EQ(frameOf(ids[0]), parked);
    for (std::size_t i = 1; i < ids.size(); ++i) {
        EXPECT_EQ(writesTo(ids[i], "AXPosition"), 1) << i;
        EXPECT_EQ(writesTo(ids[i], "AXSize"), 0) << i;
    }
    EXPECT_EQ(frameOf(ids[1]).x, -695);

    desktop.clearWrites();
    engine->apply(primaryUUID);
    settle();
    EXPECT_TRUE(desktop.writes().empty());
}

TEST_F(LayoutPipeline, OwnEchoesAreIgnoredWhileAUsersMoveIsNoticed) {
    plugPrimary();
    start();
    const WindowID id = open(launch("com.example.editor"), "Notes");
    // Right after the engine's write, within the time its own notifications are ignored.
    advance(0.3);
    const Rect wanted = applied(id).value_or(Rect{});
    ASSERT_EQ(frameOf(id), wanted);
    desktop.moveWindow(id, {wanted.x + 4, wanted.y - 4, wanted.width + 4, wanted.height});
    EXPECT_TRUE(engine->isOwnEcho(id));
    desktop.moveWindow(id, {wanted.x, wanted.y, wanted.width, wanted.height + 5});
    EXPECT_FALSE(engine->isOwnEcho(id));
    desktop.moveWindow(id, wanted);
    settle();
    EXPECT_TRUE(engine->state().pendingMoves.empty());

    // Later, a notification of a frame within 4 points is still the engine's own echo.
    desktop.moveWindow(id, {wanted.x + 3, wanted.y, wanted.width, wanted.height});
    settle();
    EXPECT_TRUE(engine->state().pendingMoves.empty());
    EXPECT_EQ(applied(id), wanted);

    desktop.moveWindow(id, {wanted.x + 40, wanted.y, wanted.width, wanted.height});
    settle();
    EXPECT_EQ(engine->state().pendingMoves.count(id), 1u);
    EXPECT_FALSE(applied(id).has_value());
    EXPECT_FALSE(engine->isOwnEcho(id));
}

}  // namespace tessarin::test
