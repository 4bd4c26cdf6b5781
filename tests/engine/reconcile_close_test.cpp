#include <tuple>

#include "engine_harness.hpp"

namespace tessarin::test {

// Where focus goes when the focused window closes.
class CloseFocus : public EngineHarness {
  protected:
    Pid editor = 0;

    void SetUp() override {
        plugPrimary();
        editor = launch("com.example.editor", "Editor");
    }
    WindowID openQuiet(Pid pid, const std::string& title) {
        sim::WindowSpec setup = sim::makeWindow(title, {100, 100, 800, 600});
        setup.focus = false;
        return desktop.openWindow(pid, setup).value_or(0);
    }
    // Three windows opened in turn on a running engine: [A, B, C], C focused.
    std::tuple<WindowID, WindowID, WindowID> startWithThree() {
        startEngine();
        WindowID a = openSettled(editor, "A");
        WindowID b = openSettled(editor, "B");
        WindowID c = openSettled(editor, "C");
        return {a, b, c};
    }
    std::string focusLine(WindowID id) {
        return "focused window closed: focusing its neighbour " + std::to_string(id);
    }
};

TEST_F(CloseFocus, MiddleColumnHandsFocusLeftAndAStackKeepsItInTheColumn) {
    auto [a, b, c] = startWithThree();
    desktop.focusWindow(b);
    settle();
    ASSERT_EQ(strip()->focusedWindow(), b);
    desktop.closeWindow(b);
    advance(0.01);
    EXPECT_TRUE(logged(focusLine(a)));
    EXPECT_EQ(strip()->focusedWindow(), a);
    settle();

    // [a] [c] → [a, c] stacked, c focused; closing c leaves a in the same column.
    desktop.focusWindow(c);
    settle();
    engine->perform(Action::stackLeft);
    settle();
    ASSERT_EQ(strip()->columns.size(), 1u);
    ASSERT_EQ(strip()->focusedWindow(), c);
    takeLog();
    desktop.closeWindow(c);
    advance(0.01);
    EXPECT_TRUE(logged(focusLine(a)));
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{a});
}

TEST_F(CloseFocus, FirstColumnHandsFocusToTheRight) {
    prefs->setPlacement(NewWindowPlacement::end);
    WindowID a = open(editor, "A");
    WindowID b = openQuiet(editor, "B");
    WindowID c = openQuiet(editor, "C");
    startEngine();
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{a, b, c}));
    ASSERT_EQ(strip()->focusedWindow(), a);

    desktop.closeWindow(a);
    advance(0.01);
    EXPECT_TRUE(logged(focusLine(b)));
    EXPECT_EQ(strip()->focusedWindow(), b);
}

TEST_F(CloseFocus, QuittingApplicationsWindowsAreSkipped) {
    prefs->setPlacement(NewWindowPlacement::end);
    Pid other = launch("com.example.other", "Other");
    startEngine();
    WindowID w1 = openSettled(editor, "W1");
    WindowID p = openSettled(other, "P");
    WindowID w2 = openQuiet(editor, "W2");
    settle();
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{w1, p, w2}));

    desktop.focusWindow(w2);
    settle();
    takeLog();

    // The editor quits with its focused window: its other window, on the left, is about to go
    // too, so the focus goes to the other application's window.
    desktop.quit(editor);
    settle();
    EXPECT_TRUE(logged("focused window closed: focusing its neighbour " + std::to_string(p)));
    EXPECT_EQ(countLogged("focused window closed: focusing its neighbour " + std::to_string(w1)),
              0);
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{p});
    EXPECT_EQ(view().role(p), WindowRole::tiled);
    EXPECT_EQ(view().windows().size(), 1u);
}

TEST_F(CloseFocus, ChosenNeighbourKeepsTheSystemFocusAndAnUnfocusedCloseMovesNothing) {
    auto [a, b, c] = startWithThree();
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
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{b});
    EXPECT_EQ(strip()->focusedWindow(), b);
}

}  // namespace tessarin::test
