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

    WindowID openSetup(Pid pid, const sim::WindowSetup& setup) {
        auto id = desktop.openWindow(pid, setup);
        EXPECT_TRUE(id.has_value());
        settle();
        return id.value_or(0);
    }
    std::string description(WindowID id, const std::string& bundle, const std::string& title) {
        return std::to_string(id) + " " + bundle + " \u201C" + title + "\u201D";
    }
    bool known(WindowID id) const { return view().role(id) != WindowRole::unknown; }
};

// The other refused windows are in the admission_placement scenario; a scenario cannot open a
// window without a role.
TEST_F(Admission, AWindowWithoutARoleIsRefusedAndSaysSo) {
    sim::WindowSetup bare = sim::makeWindow("Bare", {200, 200, 400, 300});
    bare.role.reset();
    bare.subrole.reset();
    WindowID nameless = openSetup(editor, bare);
    EXPECT_FALSE(known(nameless));
    EXPECT_TRUE(logged("ignored " + description(nameless, "com.example.editor", "Bare") +
                       ": role=nil subrole=nil fullscreen=false "
                       "frame=Optional((200.0, 200.0, 400.0, 300.0))"));
    EXPECT_TRUE(stripWindows().empty());
}

// Admission with the setting on is seen in the reconcile tests and the display scenarios.
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

// --- what the workspace's notifications do to the set of windows

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
