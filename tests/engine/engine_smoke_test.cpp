#include "engine_harness.hpp"

namespace tessarin::test {

class EngineStartStop : public EngineHarness {};

// Every hook at once, writing down the calls the engine makes, in order.
class RecordingHooks : public InputControl, public StripIndicator, public FocusBorder {
  public:
    void configureInput(WindowManager&) override { calls.push_back("configureInput"); }
    void stopTaps() override { calls.push_back("stopTaps"); }
    // Never installed here, as if the system kept taking them away.
    void startSwipeTap(WindowManager&) override { calls.push_back("startSwipe"); }
    void startScrollTap(WindowManager&) override { calls.push_back("startScroll"); }
    void hide() override { calls.push_back("hide"); }

    EngineHooks all() {
        StripIndicator* indicator = this;
        FocusBorder* border = this;
        return {this, indicator, border};
    }
    std::vector<std::string> calls;
};

TEST_F(EngineStartStop, HooksRunInTheOrderOfStartAndStop) {
    RecordingHooks recording;
    hooks = recording.all();
    plugPrimary();
    startEngine();
    // The health check at 2 s puts back the taps the system took away.
    EXPECT_EQ(recording.calls, (Lines{"configureInput", "startSwipe", "startScroll"}));
    recording.calls.clear();
    // Only settings the taps read reconfigure them, once a burst of changes has settled; a tap
    // switched off is not put back.
    prefs->setShowIndicator(false);
    prefs->setGestureSensitivity(1.5);
    prefs->setGesturesEnabled(false);
    advance(0.05);
    EXPECT_TRUE(recording.calls.empty());
    advance(2.0);
    EXPECT_EQ(recording.calls, (Lines{"configureInput", "startScroll"}));
    recording.calls.clear();
    engine->stop(false);
    EXPECT_EQ(recording.calls, (Lines{"stopTaps", "hide", "hide"}));
    recording.calls.clear();
    engine.reset();
    EXPECT_TRUE(recording.calls.empty());
}

TEST_F(EngineStartStop, StartingTwiceStartsOnceAndTheStartedLineCountsWhatWasAdmitted) {
    plugPrimary();
    Pid editor = launch("com.example.editor", "Editor");
    WindowID tiled = open(editor, "Notes");
    Pid calculator = launch("com.apple.calculator", "Calculator");
    open(calculator, "Calculator", {900, 100, 230, 400});
    sim::WindowSetup minimized = sim::makeWindow("Parked", {100, 100, 700, 500});
    minimized.minimized = true;
    desktop.openWindow(editor, minimized);
    engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    engine->start();
    engine->start();
    settle();
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(countLogged("started: "), 1);
    EXPECT_TRUE(
        logged("started: displays=[\"Built-in\"] windows=3 strips=[\"PRIMARY-UUID\": 1] "
               "floating=1 dormant=1 tap=false"))
        << testing::PrintToString(takeLog());
    EXPECT_EQ(stripWindows(), IDs{tiled});
}

TEST_F(EngineStartStop, StartWithoutPermissionAndStopWhileStoppedDoNothing) {
    plugPrimary();
    desktop.setTrusted(false);
    engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
    int changes = 0;
    engine->onStateChange = [&] { ++changes; };
    engine->start();
    EXPECT_FALSE(engine->isRunning());
    engine->stop(true);
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(takeLog().empty());
}

}  // namespace tessarin::test
