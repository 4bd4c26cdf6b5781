#include "engine_harness.hpp"

namespace tessarin::test {

class EngineStartStop : public EngineHarness {};

TEST_F(EngineStartStop, StartingTwiceStartsOnce) {
    plugPrimary();
    Pid app = launch("com.example.editor", "Editor");
    open(app, "Notes");
    engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    engine->start();
    engine->start();
    settle();
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(countLogged("started: "), 1);
    EXPECT_EQ(stripWindows().size(), 1u);
}

TEST_F(EngineStartStop, StartedLineCountsWhatWasAdmitted) {
    plugPrimary();
    Pid editor = launch("com.example.editor", "Editor");
    WindowID tiled = open(editor, "Notes");
    Pid calculator = launch("com.apple.calculator", "Calculator");
    open(calculator, "Calculator", {900, 100, 230, 400});
    sim::WindowSpec minimized = sim::makeWindow("Parked", {100, 100, 700, 500});
    minimized.minimized = true;
    desktop.openWindow(editor, minimized);
    startEngine();
    EXPECT_TRUE(
        logged("started: displays=[\"Built-in\"] windows=3 strips=[\"PRIMARY-UUID\": 1] "
               "floating=1 dormant=1 tap=false"))
        << testing::PrintToString(takeLog());
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{tiled});
}

TEST_F(EngineStartStop, StartWithoutPermissionDoesNothing) {
    plugPrimary();
    desktop.setTrusted(false);
    engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    engine->start();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(takeLog().empty());
}

TEST_F(EngineStartStop, StopWhileStoppedIsSilent) {
    plugPrimary();
    engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    engine->stop(true);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(takeLog().empty());
    EXPECT_FALSE(engine->isPaused());
}

TEST_F(EngineStartStop, StopClearsEveryWindowAndRemembersThePause) {
    plugPrimary();
    Pid app = launch("com.example.editor", "Editor");
    open(app, "One");
    open(app, "Two");
    startEngine();
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    takeLog();
    engine->stop(true);
    EXPECT_TRUE(logged("stopping (paused: true)"));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(engine->isRunning());
    EXPECT_TRUE(engine->isPaused());
    const EngineState& state = engine->state();
    EXPECT_TRUE(state.windows.empty());
    EXPECT_TRUE(state.strips.empty());
    EXPECT_TRUE(state.windowDisplay.empty());

    // Nothing the stopped engine hears changes it.
    open(app, "Three");
    settle();
    EXPECT_TRUE(engine->state().windows.empty());

    // A later start rebuilds everything from the live windows.
    engine->start();
    settle();
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(stripWindows().size(), 3u);
    EXPECT_EQ(changes, 2);
}

}  // namespace tessarin::test
