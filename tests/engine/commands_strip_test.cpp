#include "engine_fixture.hpp"

#include "core/strip_layout.hpp"

namespace tessarin::test {
namespace {

using Layout = std::vector<std::vector<WindowID>>;

std::string arrowLine(const std::string& name, WindowID before, WindowID after, int column,
                      int count, const std::string& scroll) {
    return "action " + name + ": focus " + std::to_string(before) + " \u2192 " +
           std::to_string(after) + " col=" + std::to_string(column) + "/" + std::to_string(count) +
           " scroll=" + scroll;
}

// --- focus actions

TEST_F(CommandsTest, FocusActionsMoveTheStripAndTheSystemFocusButNeverRearrange) {
    const auto ids = startWithColumns(3);
    const Layout arranged{{ids[0]}, {ids[1]}, {ids[2]}};
    ASSERT_EQ(layoutOf(), arranged);
    // Each action and the column it leaves focused: nothing wraps, and a number past the last
    // column changes nothing.
    const std::pair<Action, int> steps[] = {{Action::focusLeft, 1}, {Action::focusFirst, 0},
                                            {Action::focusLeft, 0}, {Action::focusRight, 1},
                                            {Action::focusLast, 2}, {Action::focus1, 0},
                                            {Action::focus9, 0},    {Action::focus3, 2}};
    for (const auto& [action, column] : steps) {
        run(action);
        EXPECT_EQ(strip()->focusedWindow(), ids[column]) << rawValue(action);
        EXPECT_EQ(desktop.focusedWindow(), ids[column]) << rawValue(action);
    }
    EXPECT_EQ(layoutOf(), arranged);

    // On the last column focusRight logs the same window and makes no focus call.
    const Strip unchanged = *strip();
    const auto scroll = std::to_string(static_cast<long long>(strip()->scrollOffset));
    desktop.clearWrites();
    takeLog();
    memory.calls.clear();
    run(Action::focusRight);
    EXPECT_EQ(*strip(), unchanged);
    EXPECT_EQ(actionLines(),
              std::vector<std::string>{arrowLine("focusRight", ids[2], ids[2], 2, 3, scroll)});
    EXPECT_EQ(focusWrites(), 0);
    // Even a command that changed nothing is remembered.
    EXPECT_EQ(memory.calls, std::vector<std::string>{"schedule"});
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
    EXPECT_EQ(view().activeKey(), std::optional<std::string>(primaryUUID));
}

// --- move and width actions

TEST_F(CommandsTest, MoveActionsReorderColumnsAndTheirFrames) {
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];
    const std::pair<Action, Layout> steps[] = {{Action::moveLeft, {{a}, {c}, {b}}},
                                               {Action::moveToFirst, {{c}, {a}, {b}}},
                                               {Action::moveRight, {{a}, {c}, {b}}},
                                               {Action::moveToLast, {{a}, {b}, {c}}},
                                               {Action::moveRight, {{a}, {b}, {c}}}};
    for (const auto& [action, layout] : steps) {
        run(action);
        EXPECT_EQ(layoutOf(), layout) << rawValue(action);
        EXPECT_EQ(strip()->focusedWindow(), c);
        for (std::size_t i = 1; i < layout.size(); ++i)
            EXPECT_LT(frameOf(layout[i - 1][0]).x, frameOf(layout[i][0]).x) << rawValue(action);
    }
}

TEST_F(CommandsTest, WidthActionsChangeTheFocusedColumnAndItsWindow) {
    prefs->setWidthPresets({0.15, 0.95});
    const auto ids = startWithColumns(2);
    const WindowID b = ids[1];
    ASSERT_DOUBLE_EQ(columnOf(b).widthFraction, 0.5);
    struct Step {
        Action action;
        double fraction;
        bool fullWidth;
    };
    // A second fullWidth goes back to the width before; wider stops at a whole width.
    const Step steps[] = {
        {Action::fullWidth, 1.0, true},        {Action::fullWidth, 0.5, false},
        {Action::cycleWidth, 0.95, false},     {Action::wider, 1.0, false},
        {Action::cycleWidthBack, 0.95, false}, {Action::cycleWidthBack, 0.15, false},
        {Action::narrower, 0.1, false}};
    for (const auto& [action, fraction, fullWidth] : steps) {
        run(action);
        EXPECT_NEAR(columnOf(b).widthFraction, fraction, 1e-9) << rawValue(action);
        EXPECT_EQ(columnOf(b).isFullWidth(), fullWidth) << rawValue(action);
        EXPECT_NEAR(frameOf(b).width, StripLayout::width(fraction, 1420, 10), 1.0)
            << rawValue(action);
    }
    // Only the focused column changes.
    EXPECT_DOUBLE_EQ(columnOf(ids[0]).widthFraction, 0.5);
}

// --- stacks, pop-outs and height actions

TEST_F(CommandsTest, StackingRemembersTheTargetAndHeightsFollowTheActiveRow) {
    const auto ids = startWithColumns(2);
    const WindowID a = ids[0], b = ids[1];

    run(Action::stackLeft);
    ASSERT_EQ(layoutOf(), (Layout{{a, b}}));
    EXPECT_EQ(strip()->focusedWindow(), b);
    EXPECT_LT(frameOf(a).y, frameOf(b).y);
    EXPECT_DOUBLE_EQ(frameOf(a).x, frameOf(b).x);

    run(Action::taller);
    EXPECT_EQ(strip()->columns[0].heightWeights, (std::vector<double>{1.0, 1.25}));
    EXPECT_GT(frameOf(b).height, frameOf(a).height);
    run(Action::shorter);
    EXPECT_NEAR(strip()->columns[0].heightWeights[1], 1.0, 1e-12);
    run(Action::taller);
    run(Action::equalizeHeights);
    EXPECT_EQ(strip()->columns[0].heightWeights, (std::vector<double>{1.0, 1.0}));
    EXPECT_NEAR(frameOf(a).height, frameOf(b).height, 1.0);

    run(Action::focusUp);
    EXPECT_EQ(strip()->focusedWindow(), a);
    EXPECT_EQ(desktop.focusedWindow(), a);
    run(Action::moveDown);
    EXPECT_EQ(layoutOf(), (Layout{{b, a}}));
    EXPECT_LT(frameOf(b).y, frameOf(a).y);
    run(Action::moveUp);
    EXPECT_EQ(layoutOf(), (Layout{{a, b}}));
    run(Action::focusDown);
    EXPECT_EQ(strip()->focusedWindow(), b);

    run(Action::popOutRight);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}}));
    EXPECT_EQ(strip()->focusedColumn, 1);
    EXPECT_LT(frameOf(a).x, frameOf(b).x);

    run(Action::stackLeft);
    run(Action::popOutLeft);
    EXPECT_EQ(layoutOf(), (Layout{{b}, {a}}));
    EXPECT_EQ(strip()->focusedColumn, 0);
    run(Action::popOutLeft);  // a single window stays where it is
    EXPECT_EQ(layoutOf(), (Layout{{b}, {a}}));
}

TEST_F(CommandsTest, StackRightOnTheLastColumnKeepsTheStrip) {
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];
    prefs->setWidthPresets({0.7});
    run(Action::cycleWidth);  // c is now 0.7 wide
    run(Action::focusFirst);
    run(Action::stackRight);
    ASSERT_EQ(layoutOf(), (Layout{{b, a}, {c}}));

    run(Action::focusLast);
    const Strip before = *strip();
    run(Action::stackRight);
    EXPECT_EQ(*strip(), before);
}

// --- center

TEST_F(CommandsTest, CenterScrollsTheFocusedColumnToTheMiddleWithoutMorphing) {
    const auto ids = startWithColumns(3);
    run(Action::focus2);
    const double middle = StripLayout::centeredScroll(*strip(), 1420, 10);
    ASSERT_NE(strip()->scrollOffset, middle);
    engine->perform(Action::center);
    EXPECT_TRUE(view().animation(primaryUUID));
    settle();
    EXPECT_DOUBLE_EQ(strip()->scrollOffset, middle);
    EXPECT_NEAR(frameOf(ids[1]).midX(), 720, 1.0);

    prefs->setAnimate(false);
    run(Action::focusFirst);
    ASSERT_DOUBLE_EQ(strip()->scrollOffset, 0);
    const Strip arranged = *strip();
    takeLog();
    engine->perform(Action::center);
    EXPECT_EQ(view().morph(primaryUUID), nullptr);
    EXPECT_FALSE(view().animation(primaryUUID));
    settle();
    // Half a column of 705 points left of a 1420-point area: the view starts at −357.5.
    EXPECT_DOUBLE_EQ(strip()->scrollOffset, -357.5);
    EXPECT_EQ(strip()->columns, arranged.columns);
    EXPECT_NEAR(frameOf(ids[0]).midX(), 720, 1.0);
    // Whole points, cut toward zero.
    EXPECT_EQ(actionLines(),
              std::vector<std::string>{arrowLine("center", ids[0], ids[0], 0, 3, "-357")});
}

}  // namespace
}  // namespace tessarin::test
