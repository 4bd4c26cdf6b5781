#include "engine_harness.hpp"

namespace tessarin::test {

// What the workspace's notifications do to the set of windows.
class WorkspaceEvents : public EngineHarness {
  protected:
    void SetUp() override {
        plugPrimary();
        startEngine();
        takeLog();
    }
};

TEST_F(WorkspaceEvents, LaunchedApplicationIsObservedAfterAPause) {
    Pid app = launch("com.example.new", "New");
    // Not focused: a focused window would make the engine look at its application at once.
    sim::WindowSpec quiet = sim::makeWindow("First", {100, 100, 800, 600});
    quiet.focus = false;
    WindowID first = desktop.openWindow(app, quiet).value_or(0);
    advance(0.25);
    EXPECT_EQ(view().role(first), WindowRole::unknown);
    advance(0.1);
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{first});

    // From then on its new windows arrive through the tracker.
    WindowID second = openSettled(app, "Second");
    EXPECT_EQ(stripWindows().size(), 2u);
    EXPECT_EQ(view().role(second), WindowRole::tiled);
}

TEST_F(WorkspaceEvents, AccessoryApplicationsAreNotObserved) {
    sim::AppSpec setup = sim::makeApp("com.example.agent", "Agent");
    setup.policy = ActivationPolicy::accessory;
    Pid agent = desktop.launch(setup);
    settle();
    sim::WindowSpec panel = sim::makeWindow("Panel", {100, 100, 800, 600});
    panel.focus = false;
    WindowID window = desktop.openWindow(agent, panel).value_or(0);
    settle();
    EXPECT_EQ(view().role(window), WindowRole::unknown);
}

TEST_F(WorkspaceEvents, TerminatedApplicationsWindowsAreForgotten) {
    Pid app = launch("com.example.new", "New");
    settle();
    WindowID one = open(app, "One");
    WindowID two = openSettled(app, "Two");
    ASSERT_EQ(stripWindows().size(), 2u);
    takeLog();
    desktop.quit(app);
    settle();
    EXPECT_TRUE(stripWindows().empty());
    EXPECT_TRUE(view().windows().empty());
    EXPECT_TRUE(logged("removed " + std::to_string(one) + " from strip"));
    EXPECT_TRUE(logged("removed " + std::to_string(two) + " from strip"));
}

TEST_F(WorkspaceEvents, HidingParksWindowsAndUnhidingBringsThemBack) {
    // Another application's window stays on screen, so the window list is never empty.
    Pid stays = launch("com.example.stays", "Stays");
    Pid app = launch("com.example.new", "New");
    settle();
    WindowID kept = openSettled(stays, "Stays");
    WindowID one = openSettled(app, "One");
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{kept, one}));
    desktop.hide(app);
    advance(0.04);
    EXPECT_EQ(view().missCount(one), 0);
    advance(0.02);
    EXPECT_EQ(view().missCount(one), 1);
    advance(0.6);
    EXPECT_TRUE(view().dormant(one));
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{kept});

    desktop.unhide(app);
    advance(0.15);
    EXPECT_TRUE(view().dormant(one));
    advance(0.1);
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{kept, one}));
}

TEST_F(WorkspaceEvents, BurstOfHidesReconcilesOnce) {
    Pid one = launch("com.example.one", "One");
    Pid two = launch("com.example.two", "Two");
    settle();
    // An unreadable list makes every reconciliation say so.
    desktop.setWindowListReadable(false);
    takeLog();
    desktop.hide(one);
    desktop.hide(two);
    desktop.unhide(one);
    advance(0.5);
    EXPECT_EQ(countLogged("reconcile skipped: empty window list"), 1);
}

}  // namespace tessarin::test
