#include "engine_harness.hpp"

namespace tessarin::test {

class CountingPointer : public PointerInteraction {
  public:
    int waits = 0;
    void waitForMouseUp(WindowManager&) override { ++waits; }
};

// What the tracker's move, resize and minimize reports do to tiled windows.
class TrackerReports : public EngineHarness {
  protected:
    CountingPointer pointer;
    DoubleClicks clicks;
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

TEST_F(TrackerReports, UserMovesAndResizesWaitForTheMouseButtonAndAreForgottenOnClose) {
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b}));
    // Floating windows are not tracked.
    Pid calculator = launch("com.apple.calculator", "Calculator");
    settle();
    WindowID calc = openSettled(calculator, "Calculator", {300, 200, 230, 400});
    desktop.moveWindow(calc, {400, 300, 300, 400});
    advance(0.01);
    EXPECT_FALSE(view().userMoved(calc));
    EXPECT_FALSE(view().userResized(calc));
    EXPECT_EQ(pointer.waits, 0);

    desktop.moveWindow(b, {300, 300, 640, 480});
    advance(0.01);
    EXPECT_TRUE(view().userMoved(b));
    EXPECT_FALSE(view().lastApplied(b).has_value());
    const int waits = pointer.waits;
    EXPECT_GE(waits, 1);

    const Rect now = frameOf(a);
    desktop.moveWindow(a, {now.x, now.y, now.width - 100, now.height});
    advance(0.01);
    EXPECT_TRUE(view().userResized(a));
    EXPECT_GT(pointer.waits, waits);

    desktop.closeWindow(b);
    advance(0.01);
    EXPECT_EQ(view().role(b), WindowRole::unknown);
    EXPECT_FALSE(view().userMoved(b));
    EXPECT_FALSE(view().lastApplied(b));
    EXPECT_FALSE(view().displayOf(b));
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{a});
}

TEST_F(TrackerReports, DoubleClickResizeTogglesZoom) {
    // The application zooms its window itself, right after the title-bar double click.
    auto zoomTo = [&](double width) {
        const Rect now = frameOf(a);
        desktop.moveWindow(a, {now.x, now.y, width, now.height});
        advance(0.01);
    };
    clicks.last = loop.now();
    zoomTo(1400);
    EXPECT_TRUE(logged("window " + std::to_string(a) + " zoomed by double-click"));
    ASSERT_NE(strip(), nullptr);
    EXPECT_TRUE(strip()->columns[0].isZoomed());

    // The application's own resizes right after are not a second toggle, nor a user resize.
    advance(0.1);
    zoomTo(1300);
    EXPECT_TRUE(strip()->columns[0].isZoomed());
    EXPECT_FALSE(view().userResized(a));

    settle();
    clicks.last = loop.now();
    takeLog();
    zoomTo(500);
    EXPECT_TRUE(logged("window " + std::to_string(a) + " un-zoomed by double-click"));
    EXPECT_FALSE(strip()->columns[0].isZoomed());
    EXPECT_EQ(pointer.waits, 0);
}

}  // namespace tessarin::test
