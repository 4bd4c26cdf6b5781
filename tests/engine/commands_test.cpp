#include <map>
#include <set>

#include "core/strip_layout.hpp"
#include "engine_fixture.hpp"

namespace tessarin::test {
namespace {

using Layout = std::vector<std::vector<WindowID>>;

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
    EXPECT_EQ(heard, (Lines{"first focusLeft 1", "second focusLeft"}));
    EXPECT_EQ(strip()->focusedWindow(), ids[0]);

    heard.clear();
    run(Action::toggleTiling);
    ASSERT_FALSE(engine->isRunning());
    ASSERT_TRUE(engine->isPaused());
    takeLog();
    settle();
    store.stripSaves = 0;
    indicator.shown.clear();
    run(Action::wider);  // ignored, but still heard
    EXPECT_EQ(heard, (Lines{"first toggleTiling 0", "second toggleTiling", "first wider -",
                            "second wider"}));
    for (Action action : allActions()) {
        if (action != Action::toggleTiling && action != Action::retile) run(action);
    }
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(view().focusMode());
    EXPECT_TRUE(takeLog().empty());
    settle();
    EXPECT_EQ(store.stripSaves, 0);
    EXPECT_TRUE(indicator.shown.empty());

    run(Action::toggleTiling);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(stripWindows().size(), 2u);
}

TEST_F(CommandsTest, RetileSavesStopsWithoutPausingAndStartsAgain) {
    const auto ids = startWithColumns(2);
    settle();
    store.stripSaves = 0;
    takeLog();
    engine->perform(Action::retile);
    // Saved by retile, then by the stop itself, at once.
    EXPECT_EQ(store.stripSaves, 2);
    settle();
    EXPECT_TRUE(logged("stopping (paused: false)"));
    EXPECT_TRUE(engine->isRunning());
    EXPECT_FALSE(engine->isPaused());
    EXPECT_EQ(stripWindows().size(), ids.size());

    // Stopped, retile simply starts.
    engine->stop(false);
    store.stripSaves = 0;
    engine->perform(Action::retile);
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(store.stripSaves, 0);
}

// --- focus actions

// The focus commands' moves are in the golden scenarios; on the last column focusRight makes no
// focus call, and even a command that changed nothing is remembered.
TEST_F(CommandsTest, FocusRightOnTheLastColumnMakesNoFocusCallButIsRemembered) {
    const auto ids = startWithColumns(3);
    const Strip unchanged = *strip();
    desktop.clearWrites();
    settle();
    store.stripSaves = 0;
    engine->perform(Action::focusRight);
    EXPECT_EQ(*strip(), unchanged);
    EXPECT_EQ(desktop.focusedWindow(), ids[2]);
    EXPECT_EQ(focusWrites(), 0);
    advance(1.49);
    EXPECT_EQ(store.stripSaves, 0);
    advance(0.02);
    EXPECT_EQ(store.stripSaves, 1);
}

TEST_F(CommandsTest, ACommandActsOnTheColumnOfTheSystemFocusedWindow) {
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];
    ASSERT_EQ(strip()->focusedWindow(), c);
    // The engine has not heard of the focus change yet when the command arrives.
    desktop.focusWindow(a);
    engine->perform(Action::moveRight);
    settle();
    EXPECT_EQ(layoutOf(), (Layout{{b}, {a}, {c}}));
    EXPECT_EQ(strip()->focusedWindow(), a);
    EXPECT_EQ(view().activeKey(), primaryUUID);
}

// --- the overview

TEST_F(CommandsTest, ShowOverviewIsStickyAndTitlesAreReadOnlyWhileThePanelIsHidden) {
    prefs->setShowIndicator(false);
    const auto ids = startWithColumns(2);
    run(Action::showOverview);  // even with the overview turned off
    ASSERT_EQ(indicator.shown.size(), 1u);
    EXPECT_TRUE(indicator.shown[0].sticky);
    EXPECT_EQ(indicator.shown[0].display, primaryUUID);
    EXPECT_EQ(indicator.shown[0].model.columns.size(), 2u);
    run(Action::focusLeft);  // shows only when the preference is on
    EXPECT_EQ(indicator.shown.size(), 1u);

    desktop.setTitle(ids[0], "Renamed");
    indicator.visible = true;
    run(Action::showOverview);
    ASSERT_EQ(indicator.shown.size(), 2u);
    EXPECT_EQ(indicator.shown[1].model.columns.at(0).titles, Lines{"Window 1"});

    indicator.visible = false;
    prefs->setShowIndicator(true);
    run(Action::focusRight);
    ASSERT_EQ(indicator.shown.size(), 3u);
    EXPECT_FALSE(indicator.shown[2].sticky);
    EXPECT_EQ(indicator.shown[2].model.columns.at(0).titles, Lines{"Renamed"});
    run(Action::wider);  // not an action that flashes the overview
    EXPECT_EQ(indicator.shown.size(), 3u);
}

TEST_F(CommandsTest, TheModelDescribesEveryColumnAndAClickFocusesOne) {
    plugPrimary();
    startEngine();
    sim::AppSetup setup = sim::makeApp("com.example.browser", "Browser");
    setup.icon = "browser.png";
    app = desktop.launch(setup);
    const auto ids = openColumns(2);
    const Pid bare = launch("com.example.bare", "Bare");
    const WindowID plain = openSettled(bare, "No icon");
    ASSERT_EQ(stripWindows(), (IDs{ids[0], ids[1], plain}));
    run(Action::focusFirst);
    run(Action::stackRight);  // the first column now holds two windows
    run(Action::showOverview);

    ASSERT_FALSE(indicator.shown.empty());
    const StripIndicatorModel& model = indicator.shown.back().model;
    EXPECT_EQ(model.key, primaryUUID);
    EXPECT_DOUBLE_EQ(model.viewWidth, 1420);
    EXPECT_DOUBLE_EQ(model.scroll, strip()->scrollOffset);
    const auto spans = StripLayout::spans(*strip(), 1420, 10);
    ASSERT_EQ(model.columns.size(), 2u);
    EXPECT_EQ(model.columns[0].titles, (Lines{"Window 2", "Window 1"}));
    EXPECT_EQ(model.columns[0].icons, (Lines{"browser.png", "browser.png"}));
    EXPECT_TRUE(model.columns[0].focused);
    EXPECT_EQ(model.columns[1].titles, Lines{"No icon"});
    EXPECT_TRUE(model.columns[1].icons.empty());
    EXPECT_FALSE(model.columns[1].focused);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(model.columns[i].index, static_cast<std::int64_t>(i));
        EXPECT_DOUBLE_EQ(model.columns[i].x, spans[i].x);
        EXPECT_DOUBLE_EQ(model.columns[i].width, spans[i].width);
    }

    const StripIndicatorModel unknown = engine->model("NOWHERE");
    EXPECT_EQ(unknown.key, "NOWHERE");
    EXPECT_DOUBLE_EQ(unknown.viewWidth, 1000);
    EXPECT_TRUE(unknown.columns.empty());

    // A click on a column of the overview focuses that column, and only a column that exists.
    engine->focusColumn(1, primaryUUID);
    settle();
    EXPECT_EQ(strip()->focusedWindow(), plain);
    EXPECT_EQ(desktop.focusedWindow(), plain);
    desktop.clearWrites();
    const Strip before = *strip();
    engine->focusColumn(2, primaryUUID);
    engine->focusColumn(-1, primaryUUID);
    engine->focusColumn(0, "NOWHERE");
    settle();
    EXPECT_EQ(*strip(), before);
    EXPECT_EQ(focusWrites(), 0);
}

}  // namespace
}  // namespace tessarin::test
