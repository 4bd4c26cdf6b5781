#include "engine_harness.hpp"

namespace tessarin::test {

class CountingPointer : public PointerInteraction {
  public:
    int waits = 0;
    void waitForMouseUp(WindowManager&) override { ++waits; }
};

class ClickRecord : public InputControl {
  public:
    std::optional<double> last;
    std::optional<double> lastDoubleClick() const override { return last; }
};

// What the tracker's move, resize and minimize reports do to tiled windows.
class TrackerReports : public EngineHarness {
  protected:
    CountingPointer pointer;
    ClickRecord clicks;
    Pid editor = 0;
    WindowID a = 0, b = 0;

    void SetUp() override {
        plugPrimary();
        editor = launch("com.example.editor", "Editor");
        prefs->setPlacement(NewWindowPlacement::end);
        hooks.pointer = &pointer;
        hooks.input = &clicks;
        a = open(editor, "A");
        b = open(editor, "B");
        startEngine();
        settle();
        takeLog();
    }
};

TEST_F(TrackerReports, UserMoveWaitsForTheMouseButton) {
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b}));
    desktop.moveWindow(b, {300, 300, 640, 480});
    advance(0.01);
    EXPECT_TRUE(engine->state().pendingMoves.count(b));
    EXPECT_FALSE(engine->state().lastApplied.count(b));
    EXPECT_GE(pointer.waits, 1);
}

TEST_F(TrackerReports, UserResizeWaitsForTheMouseButton) {
    const Rect now = frameOf(a);
    desktop.moveWindow(a, {now.x, now.y, now.width - 100, now.height});
    advance(0.01);
    EXPECT_TRUE(engine->state().pendingResizes.count(a));
    EXPECT_GE(pointer.waits, 1);
}

TEST_F(TrackerReports, FloatingAndUnknownWindowsAreNotTracked) {
    Pid calculator = launch("com.apple.calculator", "Calculator");
    settle();
    WindowID calc = openSettled(calculator, "Calculator", {300, 200, 230, 400});
    desktop.moveWindow(calc, {400, 300, 230, 400});
    advance(0.01);
    engine->trackerWindowMoved(9999);
    engine->trackerWindowResized(9999);
    EXPECT_TRUE(engine->state().pendingMoves.empty());
    EXPECT_TRUE(engine->state().pendingResizes.empty());
    EXPECT_EQ(pointer.waits, 0);
}

TEST_F(TrackerReports, DoubleClickResizeTogglesZoom) {
    clicks.last = loop.now();
    engine->trackerWindowResized(a);
    EXPECT_TRUE(logged("window " + std::to_string(a) + " zoomed by double-click"));
    ASSERT_NE(strip(), nullptr);
    EXPECT_TRUE(strip()->columns[0].isZoomed());
    EXPECT_EQ(engine->state().suppressUntil.at(a), loop.now() + 0.8);
    EXPECT_EQ(engine->state().lastZoomToggle, loop.now());

    // The application's own resizes right after are not a second toggle, nor a user resize.
    advance(0.1);
    engine->trackerWindowResized(a);
    EXPECT_TRUE(strip()->columns[0].isZoomed());
    EXPECT_TRUE(engine->state().pendingResizes.empty());

    settle();
    clicks.last = loop.now();
    takeLog();
    engine->trackerWindowResized(a);
    EXPECT_TRUE(logged("window " + std::to_string(a) + " un-zoomed by double-click"));
    EXPECT_FALSE(strip()->columns[0].isZoomed());
    EXPECT_EQ(pointer.waits, 0);
}

TEST_F(TrackerReports, FullScreenKeepsThePlaceAndComesBack) {
    desktop.setFullScreen(a, true);
    advance(0.01);
    EXPECT_TRUE(
        logged("entered full screen: " + std::to_string(a) + " keeps its place on the strip"));
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{b});
    EXPECT_TRUE(engine->state().fullscreenManaged.count(a));
    EXPECT_EQ(engine->state().dormant.at(a).index, 0);

    desktop.setFullScreen(a, false);
    advance(0.01);
    EXPECT_TRUE(engine->state().reconcileScheduled);
    advance(0.85);
    EXPECT_TRUE(logged("left full screen: " + std::to_string(a) + " returns to its place"));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b}));
}

TEST_F(TrackerReports, DestroyedWindowIsForgottenEverywhere) {
    desktop.moveWindow(b, {300, 300, 640, 480});
    advance(0.01);
    ASSERT_TRUE(engine->state().pendingMoves.count(b));
    desktop.closeWindow(b);
    advance(0.01);
    const EngineState& state = engine->state();
    EXPECT_FALSE(state.windows.count(b));
    EXPECT_FALSE(state.pendingMoves.count(b));
    EXPECT_FALSE(state.lastApplied.count(b));
    EXPECT_FALSE(state.suppressUntil.count(b));
    EXPECT_FALSE(state.windowDisplay.count(b));
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{a});
}

}  // namespace tessarin::test
