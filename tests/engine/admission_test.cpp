#include "engine/layout_geometry.hpp"
#include "engine_harness.hpp"

namespace tessarin::test {

// Which windows the engine takes, and as what.
class Admission : public EngineHarness {
  protected:
    Pid editor = 0;

    void SetUp() override {
        plugPrimary();
        editor = launch("com.example.editor", "Editor");
        startEngine();
        takeLog();
    }

    WindowID openSpec(Pid pid, const sim::WindowSpec& setup) {
        auto id = desktop.openWindow(pid, setup);
        EXPECT_TRUE(id.has_value());
        settle();
        return id.value_or(0);
    }
    std::string description(WindowID id, const std::string& bundle, const std::string& title) {
        return std::to_string(id) + " " + bundle + " \u201C" + title + "\u201D";
    }
    bool known(WindowID id) const { return view().role(id) != WindowRole::unknown; }
    // A Space change makes the engine look at every window of every application again.
    void lookAgain() {
        desktop.postWorkspaceEvent(WorkspaceEvent::activeSpaceDidChange);
        settle();
    }
};

TEST_F(Admission, RefusedWindowsAreLoggedOnceAndTheSmallestTileableOneIsTaken) {
    WindowID narrow = openSpec(editor, sim::makeWindow("Palette", {100, 100, 60, 400}));
    WindowID flat = openSpec(editor, sim::makeWindow("Ruler", {100, 100, 400, 60}));
    sim::WindowSpec dialog = sim::makeWindow("Save", {200, 200, 400, 300});
    dialog.subrole = "AXDialog";
    WindowID saved = openSpec(editor, dialog);
    sim::WindowSpec bare = sim::makeWindow("Bare", {200, 200, 400, 300});
    bare.role.reset();
    bare.subrole.reset();
    WindowID nameless = openSpec(editor, bare);
    WindowID small = openSpec(editor, sim::makeWindow("Small", {100, 100, 61, 61}));
    for (WindowID id : {narrow, flat, saved, nameless})
        EXPECT_FALSE(known(id)) << id;
    EXPECT_EQ(countLogged("ignored "), 4);
    EXPECT_TRUE(logged("ignored " + description(saved, "com.example.editor", "Save") +
                       ": role=AXWindow subrole=AXDialog fullscreen=false "
                       "frame=Optional((200.0, 200.0, 400.0, 300.0))"));
    EXPECT_TRUE(logged("ignored " + description(nameless, "com.example.editor", "Bare") +
                       ": role=nil subrole=nil fullscreen=false "
                       "frame=Optional((200.0, 200.0, 400.0, 300.0))"));
    EXPECT_EQ(stripWindows(), IDs{small});
    EXPECT_EQ(view().activeKey(), primaryUUID);

    // Looking again refuses again, silently, and a known window is simply known.
    takeLog();
    lookAgain();
    EXPECT_FALSE(known(narrow));
    EXPECT_EQ(countLogged("ignored "), 0);
    EXPECT_EQ(countLogged("tiling "), 0);
    EXPECT_EQ(stripWindows().size(), 1u);
}

TEST_F(Admission, FloatingAppsFixedSizeWindowsAndExcludedDisplaysFloat) {
    Pid calculator = launch("com.apple.calculator", "Calculator");
    settle();
    WindowID calc = openSpec(calculator, sim::makeWindow("Calculator", {300, 200, 230, 400}));
    sim::WindowSpec fixed = sim::makeWindow("About", {300, 200, 400, 300});
    fixed.fixedSize = true;
    WindowID about = openSpec(editor, fixed);

    EXPECT_EQ(view().role(calc), WindowRole::floating);
    EXPECT_EQ(view().role(about), WindowRole::floating);
    EXPECT_EQ(view().displayOf(calc), primaryUUID);
    EXPECT_TRUE(logged("floating " + description(about, "com.example.editor", "About") +
                       " resizable=false"));
    // Left where the user put it.
    EXPECT_EQ(frameOf(calc), (Rect{300, 200, 230, 400}));

    prefs->setFloatingApps({"com.example.editor"});
    WindowID mine = openSpec(editor, sim::makeWindow("Mine", {100, 100, 800, 600}));
    EXPECT_TRUE(view().floating().count(mine));
    prefs->setFloatingApps({});
    prefs->setExcludedDisplays({primaryUUID});
    WindowID other = openSpec(editor, sim::makeWindow("Other", {100, 100, 800, 600}));
    EXPECT_TRUE(view().floating().count(other));
    EXPECT_TRUE(stripWindows().empty());
}

TEST_F(Admission, MinimizedAndOtherSpaceWindowsWaitAsDormantAtTheEnd) {
    sim::WindowSpec minimized = sim::makeWindow("Down", {100, 100, 800, 600});
    minimized.minimized = true;
    WindowID down = openSpec(editor, minimized);
    sim::WindowSpec elsewhere = sim::makeWindow("Away", {100, 100, 800, 600});
    elsewhere.workspace = 2;
    WindowID away = openSpec(editor, elsewhere);

    ASSERT_TRUE(view().dormant(down));
    ASSERT_TRUE(view().dormant(away));
    Dormant expected;
    expected.displayUUID = primaryUUID;
    expected.widthFraction = 0.5;
    EXPECT_EQ(*view().dormant(down), expected);
    EXPECT_EQ(view().dormant(away)->index, Dormant::atEnd);
    EXPECT_TRUE(stripWindows().empty());
    EXPECT_TRUE(
        logged("dormant " + description(down, "com.example.editor", "Down") + " minimized=true"));
    EXPECT_TRUE(
        logged("dormant " + description(away, "com.example.editor", "Away") + " minimized=false"));
}

TEST_F(Admission, FullScreenWindowWaitsUntilItLeavesFullScreen) {
    sim::WindowSpec setup = sim::makeWindow("Movie", {0, 0, 1440, 900});
    setup.fullScreen = true;
    WindowID movie = openSpec(editor, setup);
    const std::string name = description(movie, "com.example.editor", "Movie");
    EXPECT_FALSE(known(movie));
    EXPECT_EQ(countLogged("waiting for "), 1);
    EXPECT_TRUE(logged("waiting for " + name + " to leave full screen"));

    // Still full screen: looked at again after a Space change, with nothing more to say.
    takeLog();
    lookAgain();
    EXPECT_EQ(countLogged("waiting for "), 0);
    EXPECT_FALSE(known(movie));

    desktop.setFullScreen(movie, false);
    desktop.moveWindow(movie, {100, 100, 900, 700});
    lookAgain();
    EXPECT_TRUE(logged(name + " left full screen"));
    EXPECT_EQ(stripWindows(), IDs{movie});
}

TEST_F(Admission, AWindowThatGrowsLateIsTakenOnTheOneRetryOrAtTheNextSpaceChange) {
    auto id = desktop.openWindow(editor, sim::makeWindow("Growing", {100, 100, 40, 40}));
    ASSERT_TRUE(id);
    advance(0.2);
    EXPECT_FALSE(known(*id));
    EXPECT_EQ(countLogged("ignored "), 1);
    desktop.moveWindow(*id, {100, 100, 800, 600});
    advance(0.2);
    EXPECT_FALSE(known(*id));  // the retry comes 0.4 s after the first look
    advance(0.1);
    EXPECT_EQ(stripWindows(), IDs{*id});

    // Only one retry: one that grows after it waits for the next look, and is not logged again.
    auto slow = desktop.openWindow(editor, sim::makeWindow("Slow", {100, 100, 40, 40}));
    ASSERT_TRUE(slow);
    advance(0.6);
    desktop.moveWindow(*slow, {100, 100, 800, 600});
    settle();
    EXPECT_FALSE(known(*slow));
    lookAgain();
    EXPECT_EQ(stripWindows().size(), 2u);
    EXPECT_TRUE(known(*slow));
    EXPECT_EQ(countLogged("ignored "), 2);
}

// Admission with the setting on is seen in the reconcile and display tests.
TEST_F(Admission, KeptWidthsBecomeFractionsOfTheInsetArea) {
    // Visible frame 1440 wide, less 10 on each side; gap 10.
    const Display display = view().displays().front();
    auto kept = [&](double width) {
        return initialWidth({0, 0, width, 500}, display, true, 0.5, 10, 10);
    };
    EXPECT_DOUBLE_EQ(kept(1420), 1.0);
    EXPECT_DOUBLE_EQ(kept(2000), 1.0);
    EXPECT_DOUBLE_EQ(kept(61), 0.1);
    EXPECT_DOUBLE_EQ(kept(705), 0.5);
    EXPECT_DOUBLE_EQ(initialWidth({0, 0, 1420, 500}, display, false, 0.7, 10, 10), 0.7);
}

TEST_F(Admission, UnfocusedWindowsFollowThePlacementPreference) {
    Pid quiet = desktop.launch(sim::makeApp("com.example.quiet", "Quiet", false));
    settle();
    WindowID first = openSpec(editor, sim::makeWindow("First", {100, 100, 800, 600}));
    sim::WindowSpec background = sim::makeWindow("Second", {100, 100, 800, 600});
    background.focus = false;
    WindowID second = openSpec(quiet, background);
    WindowID third = openSpec(quiet, background);
    EXPECT_TRUE(logged("tiling " + description(second, "com.example.quiet", "Second") +
                       " on Built-in focused=false"));
    // After the focused column, so the newest comes first.
    EXPECT_EQ(stripWindows(), (IDs{first, third, second}));
    EXPECT_EQ(strip()->focusedWindow(), first);

    prefs->setPlacement(NewWindowPlacement::end);
    WindowID fourth = openSpec(quiet, background);
    EXPECT_EQ(stripWindows(), (IDs{first, third, second, fourth}));
    EXPECT_EQ(strip()->focusedWindow(), first);
}

// --- what the workspace's notifications do to the set of windows

TEST_F(Admission, LaunchedApplicationIsObservedAfterAPauseButAnAccessoryOneIsNot) {
    Pid app = launch("com.example.new", "New");
    sim::AppSpec setup = sim::makeApp("com.example.agent", "Agent");
    setup.policy = ActivationPolicy::accessory;
    Pid agent = desktop.launch(setup);
    // Not focused: a focused window would make the engine look at its application at once.
    WindowID first = open(app, "First", {100, 100, 800, 600}, false);
    WindowID panel = open(agent, "Panel", {100, 100, 800, 600}, false);
    advance(0.25);
    EXPECT_EQ(view().role(first), WindowRole::unknown);
    advance(0.1);
    EXPECT_EQ(stripWindows(), IDs{first});

    // From then on its new windows arrive through the tracker.
    WindowID second = openSettled(app, "Second");
    EXPECT_EQ(stripWindows().size(), 2u);
    EXPECT_EQ(view().role(second), WindowRole::tiled);
    EXPECT_EQ(view().role(panel), WindowRole::unknown);
}

TEST_F(Admission, HidingParksWindowsAndUnhidingBringsThemBack) {
    // Another application's window stays on screen, so the window list is never empty.
    Pid app = launch("com.example.new", "New");
    settle();
    WindowID kept = openSettled(editor, "Stays");
    WindowID one = openSettled(app, "One");
    ASSERT_EQ(stripWindows(), (IDs{kept, one}));
    desktop.hide(app);
    advance(0.04);
    EXPECT_EQ(view().missCount(one), 0);
    advance(0.02);
    EXPECT_EQ(view().missCount(one), 1);
    advance(0.6);
    EXPECT_TRUE(view().dormant(one));
    EXPECT_EQ(stripWindows(), IDs{kept});

    desktop.unhide(app);
    advance(0.15);
    EXPECT_TRUE(view().dormant(one));
    advance(0.1);
    EXPECT_EQ(stripWindows(), (IDs{kept, one}));
}

}  // namespace tessarin::test
