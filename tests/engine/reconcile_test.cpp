#include "engine_harness.hpp"

namespace tessarin::test {

// The swipe tap's record of title-bar double clicks.
class DoubleClicks : public InputControl {
  public:
    std::optional<double> last;
    std::optional<double> lastDoubleClick() const override { return last; }
};

// Keeping the strips true to what is on screen.
class Reconcile : public EngineHarness {
  protected:
    DoubleClicks clicks;
    Pid editor = 0;
    WindowID a = 0, b = 0, c = 0;

    void SetUp() override {
        plugPrimary();
        editor = launch("com.example.editor", "Editor");
        prefs->setKeepOriginalWidth(true);
        prefs->setPlacement(NewWindowPlacement::end);
        hooks.input = &clicks;
        startEngine();
        // 705 wide is half of the inset area; the others are distinct.
        a = open(editor, "A", {10, 35, 705, 600});
        b = open(editor, "B", {10, 35, 991, 600});
        c = openSettled(editor, "C", {10, 35, 419, 600});
        takeLog();
    }

    const std::string dormantLine(WindowID id) {
        return "dormant " + std::to_string(id) +
               ": no longer on screen (other Space, minimized or hidden)";
    }
};

TEST_F(Reconcile, OneMissKeepsTheColumn) {
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    desktop.moveToWorkspace(b, 2);
    engine->reconcile();
    EXPECT_EQ(engine->state().missCount.at(b), 1);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_TRUE(engine->state().reconcileScheduled);

    // Back before the second look: nothing happened.
    advance(0.3);
    desktop.moveToWorkspace(b, 1);
    advance(0.5);
    EXPECT_FALSE(engine->state().reconcileScheduled);
    EXPECT_FALSE(engine->state().missCount.count(b));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_EQ(countLogged("dormant "), 0);
}

TEST_F(Reconcile, AWindowParkedByFullScreenStartsItsMissesAfresh) {
    desktop.moveToWorkspace(b, 2);
    engine->reconcile();
    ASSERT_EQ(engine->state().missCount.at(b), 1);
    engine->enterFullscreen(b);
    EXPECT_TRUE(engine->state().fullscreenManaged.count(b));
    // Otherwise one flicker after its return would count as its second miss.
    EXPECT_FALSE(engine->state().missCount.count(b));
}

TEST_F(Reconcile, TwoMissesMakeTheWindowDormant) {
    desktop.moveToWorkspace(b, 2);
    engine->reconcile();
    advance(0.55);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    advance(0.1);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, c}));
    EXPECT_TRUE(logged(dormantLine(b)));
    const EngineState& state = engine->state();
    ASSERT_TRUE(state.dormant.count(b));
    Dormant expected;
    expected.displayUUID = primaryUUID;
    expected.widthFraction = (991.0 + 10) / (1420 + 10);
    expected.leftNeighbour = a;
    expected.index = 1;
    EXPECT_EQ(state.dormant.at(b), expected);
    EXPECT_FALSE(state.missCount.count(b));
    EXPECT_FALSE(state.lastApplied.count(b));
    EXPECT_EQ(state.windowDisplay.at(b), primaryUUID);
    EXPECT_TRUE(state.windows.count(b));
}

TEST_F(Reconcile, DormantWindowReturnsAfterItsLeftNeighbour) {
    desktop.moveToWorkspace(b, 2);
    engine->reconcile();
    advance(0.7);
    ASSERT_TRUE(engine->state().dormant.count(b));
    // Meanwhile a new column arrives at the front, so the old index would be wrong.
    prefs->setPlacement(NewWindowPlacement::afterFocused);
    WindowID d = openSettled(editor, "D", {10, 35, 705, 600});
    takeLog();

    desktop.moveToWorkspace(b, 1);
    engine->reconcile();
    EXPECT_TRUE(logged("back on screen: " + std::to_string(b)));
    const Strip* s = strip();
    ASSERT_NE(s, nullptr);
    auto where = s->locate(b);
    ASSERT_TRUE(where);
    ASSERT_TRUE(s->locate(a));
    EXPECT_EQ(where->first, s->locate(a)->first + 1);
    EXPECT_DOUBLE_EQ(s->columns[where->first].widthFraction, (991.0 + 10) / (1420 + 10));
    EXPECT_FALSE(engine->state().dormant.count(b));
    EXPECT_EQ(engine->state().windowDisplay.at(b), primaryUUID);
    EXPECT_EQ(s->windows().size(), 4u);
    (void)d;
}

TEST_F(Reconcile, DormantWindowWithoutItsNeighbourReturnsAtItsIndex) {
    desktop.moveToWorkspace(a, 2);
    engine->reconcile();
    advance(0.7);
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{b, c}));
    ASSERT_EQ(engine->state().dormant.at(a).index, 0);
    EXPECT_FALSE(engine->state().dormant.at(a).leftNeighbour);
    desktop.moveToWorkspace(a, 1);
    engine->reconcile();
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
}

TEST_F(Reconcile, ReturningWindowKeepsItsSavedWidthAndZoom) {
    const double width = (991.0 + 10) / (1420 + 10);
    clicks.last = loop.now();
    engine->trackerWindowResized(b);
    EXPECT_TRUE(logged("window " + std::to_string(b) + " zoomed by double-click"));
    settle();
    desktop.moveToWorkspace(b, 2);
    engine->reconcile();
    advance(0.7);
    ASSERT_TRUE(engine->state().dormant.count(b));
    const Dormant& place = engine->state().dormant.at(b);
    EXPECT_EQ(place.widthFraction, 1.0);
    EXPECT_EQ(place.savedFraction, std::optional<double>(width));
    EXPECT_EQ(place.zoomed, std::optional<bool>(true));

    desktop.moveToWorkspace(b, 1);
    engine->reconcile();
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    const Column& column = strip()->columns[1];
    EXPECT_EQ(column.widthFraction, 1.0);
    EXPECT_EQ(column.savedFraction, std::optional<double>(width));
    EXPECT_EQ(column.zoomed, std::optional<bool>(true));
}

TEST_F(Reconcile, FullScreenWindowKeepsItsPlace) {
    engine->enterFullscreen(b);
    ASSERT_TRUE(engine->state().dormant.count(b));
    ASSERT_TRUE(engine->state().fullscreenManaged.count(b));
    EXPECT_TRUE(
        logged("entered full screen: " + std::to_string(b) + " keeps its place on the strip"));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, c}));
    takeLog();

    engine->reconcile();
    EXPECT_TRUE(logged("left full screen: " + std::to_string(b) + " returns to its place"));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_FALSE(engine->state().fullscreenManaged.count(b));
}

TEST_F(Reconcile, FullScreenWindowStaysDormantUntilItLeaves) {
    desktop.setFullScreen(b, true);
    engine->enterFullscreen(b);
    engine->reconcile();
    EXPECT_TRUE(engine->state().dormant.count(b));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, c}));
    desktop.setFullScreen(b, false);
    engine->reconcile();
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
}

TEST_F(Reconcile, EmptyWindowListChangesNothing) {
    desktop.setWindowListReadable(false);
    desktop.moveToWorkspace(b, 2);
    for (int i = 0; i < 3; ++i) {
        engine->reconcile();
        advance(0.7);
    }
    // Its own three, and those the Space change asked for.
    EXPECT_GE(countLogged("reconcile skipped: empty window list"), 3);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_TRUE(engine->state().missCount.empty());
    EXPECT_TRUE(engine->state().dormant.empty());
}

TEST_F(Reconcile, MinimizingParksTheWindowAndRestoringBringsItBack) {
    desktop.setMinimized(c, true);
    settle();
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b}));
    EXPECT_TRUE(logged(dormantLine(c)));
    desktop.setMinimized(c, false);
    settle();
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_TRUE(logged("back on screen: " + std::to_string(c)));
}

TEST_F(Reconcile, NothingHappensWhenStopped) {
    engine->stop(false);
    takeLog();
    engine->reconcile();
    EXPECT_TRUE(takeLog().empty());
}

}  // namespace tessarin::test
