#include "engine_fixture.hpp"

#include "core/strip_layout.hpp"

namespace tessarin::test {
namespace {

using Layout = std::vector<std::vector<WindowID>>;

constexpr const char* secondUUID = "SECOND-UUID";
constexpr const char* middleUUID = "MIDDLE-UUID";

class CommandsWindowsTest : public CommandsTest {
  protected:
    // A primary display whose whole frame is usable: 1440 × 900.
    void plugFullPrimary() {
        auto setup = sim::makeDisplay(primaryUUID, {0, 0, 1440, 900}, "Built-in");
        setup.visibleFrame = Rect{0, 0, 1440, 900};
        desktop.plugDisplay(setup);
    }
    void plugSecond(double x) {
        desktop.plugDisplay(sim::makeDisplay(secondUUID, {x, 0, 1440, 900}, "External"));
    }
};

// --- floating

TEST_F(CommandsWindowsTest, ToggleFloatCentresTheWindowAndTilesItAgainAfterTheFocus) {
    plugFullPrimary();
    startEngine();
    prefs->setDefaultWidth(0.4);
    const auto ids = openColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];
    run(Action::focus2);

    run(Action::toggleFloat);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {c}}));
    EXPECT_TRUE(view().floating().count(b));
    EXPECT_EQ(view().role(b), WindowRole::floating);
    EXPECT_FALSE(view().lastApplied(b).has_value());
    EXPECT_EQ(view().displayOf(b), primaryUUID);
    // 60 % × 70 % of the visible frame, centred on it.
    EXPECT_EQ(frameOf(b), (Rect{288, 135, 864, 630}));
    // The remaining columns close up.
    EXPECT_DOUBLE_EQ(frameOf(c).x, frameOf(a).x + frameOf(a).width + 10);

    run(Action::focus1);
    focus(b);
    run(Action::toggleFloat);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}, {c}}));
    EXPECT_FALSE(view().floating().count(b));
    EXPECT_EQ(view().role(b), WindowRole::tiled);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.4);
    EXPECT_EQ(strip()->focusedWindow(), b);
    EXPECT_DOUBLE_EQ(frameOf(b).width, StripLayout::width(0.4, 1420, 10));

    run(Action::toggleFloat);
    ASSERT_TRUE(view().floating().count(b));
    prefs->setPlacement(NewWindowPlacement::end);
    focus(b);
    run(Action::toggleFloat);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {c}, {b}}));
    EXPECT_EQ(strip()->focusedColumn, 2);
}

// --- sending to the next display

TEST_F(CommandsWindowsTest, SendToNextDisplayGoesRightInOrderOfTheLeftEdgesAndWrapsAround) {
    plugPrimary();
    plugSecond(2880);  // plugged before the middle one, but further right
    desktop.plugDisplay(sim::makeDisplay(middleUUID, {1440, 0, 1440, 900}, "Middle"));
    startEngine();
    prefs->setWidthPresets({0.7});
    const auto ids = openColumns(2);
    const WindowID a = ids[0], b = ids[1];
    run(Action::cycleWidth);  // b keeps 0.7 wherever it goes

    run(Action::sendToNextDisplay);
    EXPECT_EQ(stripWindows(), std::vector<WindowID>{a});
    EXPECT_EQ(stripWindows(middleUUID), std::vector<WindowID>{b});
    EXPECT_EQ(view().displayOf(b), middleUUID);
    EXPECT_EQ(view().activeKey(), std::optional<std::string>(middleUUID));
    EXPECT_DOUBLE_EQ(strip(middleUUID)->columns[0].widthFraction, 0.7);
    EXPECT_GE(frameOf(b).x, 1440);
    EXPECT_EQ(desktop.focusedWindow(), b);
    EXPECT_LT(frameOf(a).x + frameOf(a).width, 1440);

    run(Action::sendToNextDisplay);
    EXPECT_EQ(stripWindows(secondUUID), std::vector<WindowID>{b});
    run(Action::sendToNextDisplay);  // from the rightmost back to the leftmost
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}}));
    EXPECT_TRUE(stripWindows(secondUUID).empty());
    EXPECT_EQ(view().displayOf(b), primaryUUID);
    EXPECT_LT(frameOf(b).x, 1440);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.7);

    // Floating windows are not sent.
    run(Action::toggleFloat);
    focus(b);
    run(Action::sendToNextDisplay);
    EXPECT_TRUE(view().floating().count(b));
    EXPECT_TRUE(stripWindows(middleUUID).empty());
}

TEST_F(CommandsWindowsTest, SendToNextDisplayNeedsTwoDisplaysThatAreNotExcluded) {
    plugPrimary();
    plugSecond(1440);
    prefs->setExcludedDisplays({secondUUID});
    startEngine();
    const auto ids = openColumns(2);
    const Strip before = *strip();
    takeLog();
    run(Action::sendToNextDisplay);
    EXPECT_EQ(*strip(), before);
    EXPECT_EQ(view().displayOf(ids[1]), primaryUUID);
    EXPECT_EQ(countLogged("action"), 0);
}

// --- the overview

TEST_F(CommandsWindowsTest, ShowOverviewIsStickyAndTitlesAreReadOnlyWhileThePanelIsHidden) {
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
    EXPECT_EQ(indicator.shown[1].model.columns.at(0).titles, std::vector<std::string>{"Window 1"});

    indicator.visible = false;
    prefs->setShowIndicator(true);
    run(Action::focusRight);
    ASSERT_EQ(indicator.shown.size(), 3u);
    EXPECT_FALSE(indicator.shown[2].sticky);
    EXPECT_EQ(indicator.shown[2].model.columns.at(0).titles, std::vector<std::string>{"Renamed"});
    run(Action::wider);  // not an action that flashes the overview
    EXPECT_EQ(indicator.shown.size(), 3u);
}

TEST_F(CommandsWindowsTest, TheModelDescribesEveryColumnAndAClickFocusesOne) {
    plugPrimary();
    startEngine();
    sim::AppSpec setup = sim::makeApp("com.example.browser", "Browser");
    setup.icon = "browser.png";
    app = desktop.launch(setup);
    const auto ids = openColumns(2);
    const Pid bare = launch("com.example.bare", "Bare");
    const WindowID plain = openSettled(bare, "No icon");
    ASSERT_EQ(stripWindows(), (std::vector<WindowID>{ids[0], ids[1], plain}));
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
    EXPECT_EQ(model.columns[0].titles, (std::vector<std::string>{"Window 2", "Window 1"}));
    EXPECT_EQ(model.columns[0].icons, (std::vector<std::string>{"browser.png", "browser.png"}));
    EXPECT_TRUE(model.columns[0].focused);
    EXPECT_EQ(model.columns[1].titles, std::vector<std::string>{"No icon"});
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
