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

// A closed window whose column stays hands the focus to its column; when the column goes, the
// left neighbour takes it (the golden scenarios show that one).
TEST_F(CloseFocus, AStackKeepsTheFocusInItsColumn) {
    auto [a, b, c] = startWithThree();
    engine->perform(Action::stackLeft);
    settle();
    ASSERT_EQ(layoutOf(), (std::vector<std::vector<WindowID>>{{a}, {b, c}}));
    ASSERT_EQ(strip()->focusedWindow(), c);
    takeLog();
    desktop.closeWindow(c);
    advance(0.01);
    EXPECT_TRUE(logged(focusLine(b)));
    EXPECT_EQ(stripWindows(), (std::vector<WindowID>{a, b}));
    EXPECT_EQ(strip()->focusedWindow(), b);
}

TEST_F(CloseFocus, FirstColumnHandsFocusToTheRight) {
    prefs->setPlacement(NewWindowPlacement::end);
    WindowID a = open(editor, "A");
    WindowID b = open(editor, "B", {100, 100, 800, 600}, false);
    WindowID c = open(editor, "C", {100, 100, 800, 600}, false);
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
    WindowID w2 = open(editor, "W2", {100, 100, 800, 600}, false);
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
