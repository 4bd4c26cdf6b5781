#include "scenario/scenario_runner.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "scenario/scenario_parser.hpp"

namespace tessarin::test {
namespace {

// A session and a runner whose steps are given as text, for checks on the desktop itself.
class ScenarioRunnerTest : public ::testing::Test {
  protected:
    SimSession session;
    std::ostringstream out;
    ScenarioRunner runner{session, out};

    // Runs `text`; the error's description, or "" when every step ran.
    std::string run(std::string_view text) {
        ScenarioScript script = ScenarioParser::parse(text);
        if (script.error) return "parse: " + script.error->describe();
        auto error = runner.run(script.steps);
        return error ? error->describe() : "";
    }
    Rect frame(const std::string& label) {
        auto id = runner.window(label);
        auto snapshot = id ? session.desktop().window(*id) : std::nullopt;
        return snapshot ? snapshot->frame : Rect{};
    }
};

constexpr const char* kDesk =
    "plug MAIN name=\"Built-in\" frame=0,0,1440x900\n"
    "launch code bundle=com.example.code name=Code\n"
    "open editor app=code title=\"main.cpp\" size=800x600 at=50,60\n";

TEST_F(ScenarioRunnerTest, LabelsNameTheirOwnKindAndOnlyLiveThings) {
    ASSERT_EQ(run(kDesk), "");
    EXPECT_EQ(run("close shell"), "line 1: close: unknown window \"shell\"");
    EXPECT_EQ(run("close code"), "line 1: close: \"code\" is an application, not a window");
    EXPECT_EQ(run("quit editor"), "line 1: quit: \"editor\" is a window, not an application");
    EXPECT_EQ(run("open editor app=code"), "line 1: open: label \"editor\" is already in use");
    EXPECT_EQ(run("launch editor bundle=x"), "line 1: launch: label \"editor\" is already in use");
    EXPECT_EQ(run("open other app=nobody"), "line 1: open: unknown application \"nobody\"");
    ASSERT_EQ(run("close editor"), "");
    EXPECT_EQ(run("focus editor"), "line 1: focus: window \"editor\" is closed");
    ASSERT_EQ(run("quit code"), "");
    EXPECT_EQ(run("open late app=code"), "line 1: open: application \"code\" has quit");
    EXPECT_EQ(run("stop"), "line 1: stop: the engine was never started");
}

TEST_F(ScenarioRunnerTest, AFailedStepStopsTheRestOfTheFile) {
    EXPECT_EQ(run("echo one\nclose ghost\necho two\n"), "line 2: close: unknown window \"ghost\"");
    EXPECT_EQ(out.str(), "one\n");
}

TEST_F(ScenarioRunnerTest, DisplaysAreRememberedByUuidAcrossUnplugging) {
    ASSERT_EQ(run(kDesk), "");
    EXPECT_EQ(run("plug SIDE"),
              "line 1: plug: frame= is needed the first time \"SIDE\" is "
              "plugged in");
    ASSERT_EQ(run("plug SIDE name=Side frame=1440,0,1920x1080 refresh=120"), "");
    EXPECT_EQ(run("plug SIDE"), "line 1: plug: display \"SIDE\" is already plugged in");
    ASSERT_EQ(run("unplug SIDE"), "");
    EXPECT_EQ(run("unplug SIDE"), "line 1: unplug: display \"SIDE\" is not plugged in");
    ASSERT_EQ(run("plug SIDE"), "");
    const auto screens = session.desktop().screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[1].frame.width, 1920);
    EXPECT_EQ(screens[1].maximumFramesPerSecond, 120);

    // Displays never overlap, and a visible frame lies within its display.
    EXPECT_EQ(run("plug OVER frame=1000,0,800x600"),
              "line 1: plug: display \"OVER\" would overlap display \"MAIN\"");
    EXPECT_EQ(run("plug LOW frame=0,900,800x600 visible=0,880,800x600"),
              "line 1: plug: visible= must lie within the display's frame");
}

TEST_F(ScenarioRunnerTest, WindowStepsReachTheDesktop) {
    ASSERT_EQ(run(kDesk), "");
    EXPECT_EQ(frame("editor"), (Rect{50, 60, 800, 600}));
    const WindowID editor = *runner.window("editor");
    EXPECT_EQ(session.desktop().focusedWindow(), editor);
    ASSERT_EQ(run("open small app=code size=100x100 min=300x200 background"), "");
    EXPECT_EQ(frame("small").size(), (Size{300, 200})) << "a window is never below its minimum";
    EXPECT_EQ(session.desktop().focusedWindow(), editor) << "a background window takes no focus";
    // Where a drag lands is in the user_resize_undone scenario; the gesture ends button up.
    ASSERT_EQ(run("drag editor to=300,200"), "");
    EXPECT_EQ(session.desktop().pointer().pressedButtons(), 0u);
    ASSERT_EQ(run("minimise editor\nretitle small \"renamed\"\nto-workspace small 2"), "");
    EXPECT_TRUE(session.desktop().window(editor)->minimized);
    EXPECT_EQ(session.desktop().window(*runner.window("small"))->title, "renamed");
    EXPECT_EQ(session.desktop().window(*runner.window("small"))->workspace, 2);
    ASSERT_EQ(run("hide editor"), "");
    EXPECT_TRUE(session.desktop().workspace().application(*runner.application("code"))->hidden);
}

}  // namespace
}  // namespace tessarin::test
