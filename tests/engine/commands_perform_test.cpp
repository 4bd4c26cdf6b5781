#include "engine_fixture.hpp"

#include <map>
#include <set>

namespace tessarin::test {
namespace {

// The actions that edit or scroll one strip; the rest act on windows or the engine.
std::vector<Action> stripActions() {
    std::vector<Action> actions;
    for (Action action : allActions()) {
        if (action == Action::toggleFloat) break;
        actions.push_back(action);
    }
    return actions;
}

const std::set<Action> frameChanging{
    Action::moveLeft,    Action::moveRight,       Action::moveUp,     Action::moveDown,
    Action::moveToFirst, Action::moveToLast,      Action::cycleWidth, Action::cycleWidthBack,
    Action::wider,       Action::narrower,        Action::fullWidth,  Action::taller,
    Action::shorter,     Action::equalizeHeights, Action::stackLeft,  Action::stackRight,
    Action::popOutLeft,  Action::popOutRight,
};

bool morphStartedNow(const WindowManager& engine, double now) {
    const Morph* morph = engine.view().morph("PRIMARY-UUID");
    return morph && morph->start == now;
}

// --- morphs

TEST_F(CommandsTest, OnlyFrameChangingActionsMorphFromTheLastWrittenFramesAtTheSetSpeed) {
    const auto ids = startWithColumns(3);
    std::map<WindowID, Rect> written;
    for (WindowID id : ids)
        written[id] = *view().lastApplied(id);
    engine->perform(Action::moveLeft);
    const Morph& morph = (*view().morph(primaryUUID));
    EXPECT_DOUBLE_EQ(morph.duration, 0.24);
    EXPECT_EQ(morph.from.size(), 3u);
    for (WindowID id : ids)
        EXPECT_EQ(morph.from.valueOr(id, {}), written[id]);
    EXPECT_TRUE(view().animating());
    settle();

    ASSERT_EQ(stripActions().size(), 34u);
    for (Action action : stripActions()) {
        engine->perform(action);
        EXPECT_EQ(morphStartedNow(*engine, loop.now()), frameChanging.count(action) == 1)
            << rawValue(action);
        settle();
    }

    prefs->setAnimationSpeed(0.1);  // the floor of 0.25 caps the duration
    engine->perform(Action::moveRight);
    EXPECT_DOUBLE_EQ((*view().morph(primaryUUID)).duration, 0.96);
    settle();
    prefs->setAnimate(false);
    engine->perform(Action::moveLeft);
    EXPECT_FALSE(morphStartedNow(*engine, loop.now()));
}

TEST_F(CommandsTest, FocusModeTogglesWithAMorphAndFocusActionsMorphOnlyInIt) {
    startWithColumns(3);
    engine->perform(Action::focusLeft);
    EXPECT_FALSE(morphStartedNow(*engine, loop.now()));
    settle();
    int stateChanges = 0;
    engine->onStateChange = [&] { ++stateChanges; };
    takeLog();

    engine->perform(Action::focusMode);
    EXPECT_TRUE(view().focusMode());
    EXPECT_TRUE(logged("focus mode on"));
    EXPECT_TRUE(morphStartedNow(*engine, loop.now()));
    EXPECT_DOUBLE_EQ((*view().morph(primaryUUID)).duration, 0.3);
    EXPECT_EQ(stateChanges, 1);
    settle();
    engine->perform(Action::focusLeft);
    EXPECT_TRUE(morphStartedNow(*engine, loop.now()));
    EXPECT_DOUBLE_EQ((*view().morph(primaryUUID)).duration, 0.24);
    settle();
    engine->perform(Action::center);
    EXPECT_FALSE(morphStartedNow(*engine, loop.now()));
    settle();

    prefs->setAnimate(false);
    engine->perform(Action::focusMode);
    EXPECT_FALSE(view().focusMode());
    EXPECT_TRUE(logged("focus mode off"));
    EXPECT_FALSE(morphStartedNow(*engine, loop.now()));
    EXPECT_EQ(stateChanges, 2);

    engine->stop(true);
    engine->perform(Action::focusMode);
    EXPECT_FALSE(view().focusMode());
    EXPECT_EQ(stateChanges, 3);  // the stop itself
}

// --- the target

TEST_F(CommandsTest, WithoutAStripTheCommandIsLoggedAndDropped) {
    startEngine();
    ASSERT_TRUE(engine->isRunning());
    takeLog();
    run(Action::wider);
    EXPECT_EQ(actionLines(),
              std::vector<std::string>{"action wider: no strip (key=nil, strips=0)"});
    EXPECT_FALSE(view().activeKey().has_value());

    plugPrimary();
    settle();
    ASSERT_EQ(view().strips().count(primaryUUID), 0u);
    takeLog();
    memory.calls.clear();
    run(Action::focusLeft);
    EXPECT_EQ(actionLines(),
              std::vector<std::string>{"action focusLeft: no strip (key=PRIMARY-UUID, strips=0)"});
    EXPECT_TRUE(memory.calls.empty());
    EXPECT_EQ(view().activeKey(), std::optional<std::string>(primaryUUID));
}

TEST_F(CommandsTest, WithNoManagedWindowFocusedThePointersDisplayIsTheTarget) {
    plugPrimary();
    auto setup = sim::makeDisplay("SECOND-UUID", {1440, 0, 1440, 900}, "External");
    desktop.plugDisplay(setup);
    startEngine();
    desktop.setPointer({2000, 400});
    const auto right = openColumns(2);
    // Both landed on the primary; send the second one over.
    ASSERT_EQ(stripWindows(), right);
    run(Action::sendToNextDisplay);
    ASSERT_EQ(stripWindows("SECOND-UUID"), std::vector<WindowID>{right[1]});
    // A window of an application the engine floats takes the focus away from the strips.
    const Pid other = launch("com.example.panel", "Panel");
    const WindowID lone = openSettled(other, "Panel", {100, 100, 40, 40});
    ASSERT_NE(view().role(lone), WindowRole::tiled);
    takeLog();
    run(Action::focusLeft);
    EXPECT_EQ(view().activeKey(), std::optional<std::string>("SECOND-UUID"));
    EXPECT_EQ(countLogged("action focusLeft: focus " + std::to_string(right[1])), 1);
}

// --- observers and the commands that work while stopped

TEST_F(CommandsTest, ObserversHearEveryActionFirstAndWhileStoppedOnlyEngineCommandsAct) {
    const auto ids = startWithColumns(2);
    std::vector<std::string> heard;
    engine->addActionObserver([&](Action action) {
        // The strip has not changed yet.
        const Strip* current = strip();
        heard.push_back("first " + std::string(rawValue(action)) + " " +
                        (current ? std::to_string(current->focusedColumn) : "-"));
    });
    engine->addActionObserver(
        [&](Action action) { heard.push_back("second " + std::string(rawValue(action))); });

    run(Action::focusLeft);
    EXPECT_EQ(heard, (std::vector<std::string>{"first focusLeft 1", "second focusLeft"}));
    EXPECT_EQ(strip()->focusedWindow(), ids[0]);

    heard.clear();
    run(Action::toggleTiling);
    ASSERT_FALSE(engine->isRunning());
    ASSERT_TRUE(engine->isPaused());
    takeLog();
    memory.calls.clear();
    indicator.shown.clear();
    run(Action::wider);  // ignored, but still heard
    EXPECT_EQ(heard, (std::vector<std::string>{"first toggleTiling 0", "second toggleTiling",
                                               "first wider -", "second wider"}));
    for (Action action : allActions()) {
        if (action != Action::toggleTiling && action != Action::retile) run(action);
    }
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(view().focusMode());
    EXPECT_TRUE(takeLog().empty());
    EXPECT_TRUE(memory.calls.empty());
    EXPECT_TRUE(indicator.shown.empty());

    run(Action::toggleTiling);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(stripWindows().size(), 2u);
}

TEST_F(CommandsTest, RetileSavesStopsWithoutPausingAndStartsAgain) {
    const auto ids = startWithColumns(2);
    memory.calls.clear();
    takeLog();
    run(Action::retile);
    // Saved by retile, then by the stop itself; the start restores.
    // (Windows admitted again afterwards may schedule saves of their own.)
    ASSERT_GE(memory.calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(memory.calls.begin(), memory.calls.begin() + 3),
              (std::vector<std::string>{"saveNow", "saveNow", "restore"}));
    EXPECT_TRUE(logged("stopping (paused: false)"));
    EXPECT_TRUE(engine->isRunning());
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(stripWindows().size(), ids.size());

    // Stopped, retile simply starts.
    engine->stop(false);
    memory.calls.clear();
    run(Action::retile);
    EXPECT_TRUE(engine->isRunning());
    ASSERT_FALSE(memory.calls.empty());
    EXPECT_EQ(memory.calls.front(), "restore");
    EXPECT_EQ(std::count(memory.calls.begin(), memory.calls.end(), "saveNow"), 0);
}

}  // namespace
}  // namespace tessarin::test
