#include "engine_harness.hpp"

namespace tessarin::test {

// Three windows [A, B, C] of one application on a running engine, C focused: keeping the strips
// true to what is on screen, the tracker's reports, and where the focus goes after a close.
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
};
class TrackerReports : public Reconcile {};
class CloseFocus : public Reconcile {};

// Moving a window to another Space announces a Space change: the engine reconciles 0.4 s
// later, and a window missing then is looked at again 0.6 s after that.
TEST_F(Reconcile, OneMissKeepsTheColumnAndFullScreenStartsTheMissesAfresh) {
    ASSERT_EQ(stripWindows(), (IDs{a, b, c}));
    desktop.moveToWorkspace(b, 2);
    desktop.moveToWorkspace(c, 2);
    advance(0.45);
    EXPECT_EQ(view().missCount(b), 1);
    ASSERT_EQ(view().missCount(c), 1);
    EXPECT_EQ(stripWindows(), (IDs{a, b, c}));
    // Otherwise one flicker after its return would count as its second miss.
    desktop.setFullScreen(c, true);
    advance(0.01);
    EXPECT_TRUE(view().fullscreenManaged(c));
    EXPECT_EQ(view().missCount(c), 0);

    // Back before the second look: nothing happened.
    desktop.moveToWorkspace(b, 1);
    advance(0.6);
    EXPECT_EQ(view().missCount(b), 0);
    EXPECT_EQ(stripWindows(), (IDs{a, b}));
    EXPECT_EQ(countLogged("dormant "), 0);
}

TEST_F(Reconcile, DoubleClickZoomTogglesAndAReturningWindowKeepsItsSavedWidthAndZoom) {
    const double width = (991.0 + 10) / (1420 + 10);
    // The application zooms its window itself, right after the title-bar double click.
    auto zoomTo = [&](double wide) {
        const Rect now = frameOf(b);
        desktop.moveWindow(b, {now.x, now.y, wide, now.height});
        advance(0.01);
    };
    clicks.last = loop.now();
    zoomTo(1400);
    EXPECT_TRUE(logged("window " + std::to_string(b) + " zoomed by double-click"));
    EXPECT_TRUE(strip()->columns[1].isZoomed());
    // The application's own resizes right after are not a second toggle, nor a user resize.
    advance(0.1);
    zoomTo(1300);
    EXPECT_TRUE(strip()->columns[1].isZoomed());
    EXPECT_FALSE(view().userResized(b));
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
    ASSERT_EQ(stripWindows(), (IDs{a, b, c}));
    const Column& column = strip()->columns[1];
    EXPECT_EQ(column.widthFraction, 1.0);
    EXPECT_EQ(column.savedFraction, std::optional<double>(width));
    EXPECT_EQ(column.zoomed, std::optional<bool>(true));

    settle();
    clicks.last = loop.now();
    takeLog();
    zoomTo(500);
    EXPECT_TRUE(logged("window " + std::to_string(b) + " un-zoomed by double-click"));
    EXPECT_FALSE(strip()->columns[1].isZoomed());
}

TEST_F(Reconcile, AnEmptyWindowListChangesNothingAndABurstOfHidesReconcilesOnce) {
    const Pid one = launch("com.example.one", "One");
    const Pid two = launch("com.example.two", "Two");
    settle();
    // An unreadable list makes every reconciliation say so.
    desktop.setWindowListReadable(false);
    takeLog();
    desktop.hide(one);
    desktop.hide(two);
    desktop.unhide(one);
    advance(0.5);
    EXPECT_EQ(countLogged("reconcile skipped: empty window list"), 1);

    takeLog();
    desktop.moveToWorkspace(b, 2);
    advance(2.0);
    // At 0.4 s and 1.5 s after the Space change, and at the health check between.
    EXPECT_EQ(countLogged("reconcile skipped: empty window list"), 3);
    EXPECT_EQ(stripWindows(), (IDs{a, b, c}));
    for (WindowID id : {a, b, c})
        EXPECT_EQ(view().missCount(id), 0) << id;
    EXPECT_TRUE(view().dormantWindows().empty());
}

// --- the tracker's reports

TEST_F(TrackerReports, UserMovesAndResizesWaitForTheMouseButtonAndAreForgottenOnClose) {
    // Floating windows are not tracked.
    Pid calculator = launch("com.apple.calculator", "Calculator");
    settle();
    WindowID calc = openSettled(calculator, "Calculator", {300, 200, 230, 400});
    desktop.moveWindow(calc, {400, 300, 300, 400});
    advance(0.01);
    EXPECT_FALSE(view().userMoved(calc));
    EXPECT_FALSE(view().userResized(calc));

    desktop.moveWindow(b, {300, 300, 640, 480});
    advance(0.01);
    EXPECT_TRUE(view().userMoved(b));
    EXPECT_FALSE(view().lastApplied(b).has_value());

    const Rect now = frameOf(a);
    desktop.moveWindow(a, {now.x, now.y, now.width - 100, now.height});
    advance(0.01);
    EXPECT_TRUE(view().userResized(a));

    desktop.closeWindow(b);
    advance(0.01);
    EXPECT_EQ(view().role(b), WindowRole::unknown);
    EXPECT_FALSE(view().userMoved(b));
    EXPECT_FALSE(view().lastApplied(b));
    EXPECT_FALSE(view().displayOf(b));
    EXPECT_EQ(stripWindows(), (IDs{a, c}));
}

// --- where the focus goes after a close

TEST_F(CloseFocus, ChosenNeighbourKeepsTheSystemFocusAndAnUnfocusedCloseMovesNothing) {
    ASSERT_EQ(strip()->focusedWindow(), c);
    takeLog();
    desktop.closeWindow(c);
    // The application focuses a window of its own choice right away.
    desktop.focusWindow(a);
    settle();
    EXPECT_EQ(desktop.focusedWindow(), b);
    EXPECT_EQ(strip()->focusedWindow(), b);
    EXPECT_EQ(countLogged("focus synced to "), 0);

    takeLog();
    desktop.closeWindow(a);
    advance(0.01);
    EXPECT_TRUE(logged("removed " + std::to_string(a) + " from strip"));
    EXPECT_EQ(countLogged("focused window closed"), 0);
    EXPECT_EQ(stripWindows(), IDs{b});
    EXPECT_EQ(strip()->focusedWindow(), b);

    // An application whose last window closes focuses nothing: the engine gives the focus.
    const WindowID lone = openSettled(launch("com.example.other", "Other"), "Lone");
    ASSERT_EQ(desktop.focusedWindow(), lone);
    desktop.closeWindow(lone);
    settle();
    EXPECT_EQ(desktop.focusedWindow(), b);
}

TEST_F(Reconcile, HealthCheckWaitsForTheMouseButtonAndStopsForGoodWithoutPermission) {
    settle();
    const Rect wanted = frameOf(b);
    desktop.moveWindow(b, {wanted.x + 30, wanted.y, wanted.width, wanted.height}, false);
    desktop.setPressedButtons(1);
    advance(2.0);
    EXPECT_EQ(frameOf(b).x, wanted.x + 30);
    desktop.setPressedButtons(0);
    advance(2.0);
    EXPECT_EQ(frameOf(b), wanted);

    int lost = 0;
    engine->onPermissionLost = [&lost] { ++lost; };
    desktop.setTrusted(false);
    advance(6.0);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(engine->isPaused());
}

}  // namespace tessarin::test
