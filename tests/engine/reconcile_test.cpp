#include "engine_harness.hpp"

namespace tessarin::test {

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

// Moving a window to another Space announces a Space change: the engine reconciles 0.4 s
// later, and a window missing then is looked at again 0.6 s after that.
TEST_F(Reconcile, OneMissKeepsTheColumn) {
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    desktop.moveToWorkspace(b, 2);
    advance(0.45);
    EXPECT_EQ(view().missCount(b), 1);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));

    // Back before the second look: nothing happened.
    desktop.moveToWorkspace(b, 1);
    advance(0.6);
    EXPECT_EQ(view().missCount(b), 0);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_EQ(countLogged("dormant "), 0);
}

TEST_F(Reconcile, AWindowParkedByFullScreenStartsItsMissesAfresh) {
    desktop.moveToWorkspace(b, 2);
    advance(0.45);
    ASSERT_EQ(view().missCount(b), 1);
    desktop.setFullScreen(b, true);
    advance(0.01);
    EXPECT_TRUE(view().fullscreenManaged(b));
    // Otherwise one flicker after its return would count as its second miss.
    EXPECT_EQ(view().missCount(b), 0);
}

TEST_F(Reconcile, TwoMissesMakeTheWindowDormantAndItReturnsAfterItsLeftNeighbour) {
    const double width = (991.0 + 10) / (1420 + 10);
    desktop.moveToWorkspace(b, 2);
    advance(0.95);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    advance(0.1);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, c}));
    EXPECT_TRUE(logged(dormantLine(b)));
    ASSERT_TRUE(view().dormant(b));
    Dormant expected;
    expected.displayUUID = primaryUUID;
    expected.widthFraction = width;
    expected.leftNeighbour = a;
    expected.index = 1;
    EXPECT_EQ(*view().dormant(b), expected);
    EXPECT_EQ(view().missCount(b), 0);
    EXPECT_FALSE(view().lastApplied(b));
    EXPECT_EQ(view().displayOf(b), primaryUUID);
    EXPECT_EQ(view().role(b), WindowRole::dormant);

    // Meanwhile a new column arrives at the front, so the old index would be wrong.
    prefs->setPlacement(NewWindowPlacement::afterFocused);
    openSettled(editor, "D", {10, 35, 705, 600});
    takeLog();
    desktop.moveToWorkspace(b, 1);
    advance(0.45);
    EXPECT_TRUE(logged("back on screen: " + std::to_string(b)));
    const Strip* s = strip();
    ASSERT_NE(s, nullptr);
    auto where = s->locate(b);
    ASSERT_TRUE(where && s->locate(a));
    EXPECT_EQ(where->first, s->locate(a)->first + 1);
    EXPECT_DOUBLE_EQ(s->columns[where->first].widthFraction, width);
    EXPECT_FALSE(view().dormant(b));
    EXPECT_EQ(view().displayOf(b), primaryUUID);
    EXPECT_EQ(s->windows().size(), 4u);
}

TEST_F(Reconcile, AMinimizedWindowWithoutALeftNeighbourReturnsAtItsIndex) {
    desktop.setMinimized(a, true);
    settle();
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{b, c}));
    EXPECT_TRUE(logged(dormantLine(a)));
    ASSERT_EQ(view().dormant(a)->index, 0);
    EXPECT_FALSE(view().dormant(a)->leftNeighbour);
    desktop.setMinimized(a, false);
    settle();
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_TRUE(logged("back on screen: " + std::to_string(a)));
}

TEST_F(Reconcile, ReturningWindowKeepsItsSavedWidthAndZoom) {
    const double width = (991.0 + 10) / (1420 + 10);
    // The application zooms its window right after a title-bar double click.
    clicks.last = loop.now();
    desktop.moveWindow(b, {10, 35, 1400, 855});
    advance(0.01);
    EXPECT_TRUE(logged("window " + std::to_string(b) + " zoomed by double-click"));
    settle();
    desktop.moveToWorkspace(b, 2);
    advance(1.1);
    ASSERT_TRUE(view().dormant(b));
    const Dormant& place = *view().dormant(b);
    EXPECT_EQ(place.widthFraction, 1.0);
    EXPECT_EQ(place.savedFraction, std::optional<double>(width));
    EXPECT_EQ(place.zoomed, std::optional<bool>(true));

    desktop.moveToWorkspace(b, 1);
    advance(0.45);
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    const Column& column = strip()->columns[1];
    EXPECT_EQ(column.widthFraction, 1.0);
    EXPECT_EQ(column.savedFraction, std::optional<double>(width));
    EXPECT_EQ(column.zoomed, std::optional<bool>(true));
}

TEST_F(Reconcile, FullScreenWindowStaysDormantUntilItLeaves) {
    desktop.setFullScreen(b, true);
    advance(0.01);
    ASSERT_TRUE(view().fullscreenManaged(b));
    EXPECT_EQ(view().dormant(b)->index, 1);
    EXPECT_TRUE(
        logged("entered full screen: " + std::to_string(b) + " keeps its place on the strip"));
    // Reconciling while it is still in full screen leaves it where it is.
    desktop.postWorkspaceEvent(WorkspaceEvent::activeSpaceDidChange);
    advance(0.45);
    EXPECT_TRUE(view().dormant(b));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, c}));
    takeLog();
    desktop.setFullScreen(b, false);
    advance(0.01);
    EXPECT_TRUE(view().dormant(b));
    advance(0.85);
    EXPECT_TRUE(logged("left full screen: " + std::to_string(b) + " returns to its place"));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    EXPECT_FALSE(view().fullscreenManaged(b));
}

TEST_F(Reconcile, EmptyWindowListChangesNothing) {
    desktop.setWindowListReadable(false);
    desktop.moveToWorkspace(b, 2);
    advance(2.0);
    // At 0.4 s and 1.5 s after the Space change.
    EXPECT_EQ(countLogged("reconcile skipped: empty window list"), 2);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    for (WindowID id : {a, b, c})
        EXPECT_EQ(view().missCount(id), 0) << id;
    EXPECT_TRUE(view().dormantWindows().empty());
}

TEST_F(Reconcile, NothingHappensWhenStopped) {
    engine->stop(false);
    takeLog();
    desktop.moveToWorkspace(b, 2);
    settle();
    EXPECT_TRUE(takeLog().empty());
}

}  // namespace tessarin::test
