#include "commands_fixture.hpp"

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

TEST_F(CommandsTest, FocusActionsMoveTheStripAndTheSystemFocus) {
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];
    ASSERT_EQ(layoutOf(), (Layout{{a}, {b}, {c}}));
    ASSERT_EQ(strip()->focusedWindow(), c);

    run(Action::focusLeft);
    EXPECT_EQ(strip()->focusedWindow(), b);
    EXPECT_EQ(desktop.focusedWindow(), b);
    run(Action::focusFirst);
    EXPECT_EQ(strip()->focusedWindow(), a);
    EXPECT_EQ(desktop.focusedWindow(), a);
    run(Action::focusLeft);  // no wrap
    EXPECT_EQ(strip()->focusedWindow(), a);
    run(Action::focusRight);
    EXPECT_EQ(strip()->focusedWindow(), b);
    run(Action::focusLast);
    EXPECT_EQ(strip()->focusedWindow(), c);
    run(Action::focus1);
    EXPECT_EQ(strip()->focusedWindow(), a);
    run(Action::focus3);
    EXPECT_EQ(strip()->focusedWindow(), c);
    EXPECT_EQ(desktop.focusedWindow(), c);
    run(Action::focus9);
    EXPECT_EQ(strip()->focusedWindow(), c);
    // Focus never rearranges.
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}, {c}}));
}

TEST_F(CommandsTest, FocusRightOnTheLastColumnLogsTheSameWindowAndMakesNoFocusCall) {
    const auto ids = startWithColumns(3);
    const WindowID c = ids[2];
    ASSERT_EQ(strip()->focusedColumn, 2);
    const Strip unchanged = *strip();
    const auto scroll = std::to_string(static_cast<long long>(strip()->scrollOffset));
    desktop.clearWrites();
    takeLog();
    memory.calls.clear();

    run(Action::focusRight);

    EXPECT_EQ(*strip(), unchanged);
    EXPECT_EQ(actionLines(), std::vector<std::string>{arrowLine("focusRight", c, c, 2, 3, scroll)});
    EXPECT_EQ(focusWrites(), 0);
    // Even a command that changed nothing is remembered.
    EXPECT_EQ(memory.calls, std::vector<std::string>{"schedule"});
}

TEST_F(CommandsTest, ANumberPastTheLastColumnChangesNothing) {
    const auto ids = startWithColumns(2);
    takeLog();
    run(Action::focus3);
    EXPECT_EQ(strip()->focusedWindow(), ids[1]);
    EXPECT_EQ(actionLines(),
              std::vector<std::string>{arrowLine("focus3", ids[1], ids[1], 1, 2, "0")});
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

// --- move actions

TEST_F(CommandsTest, MoveActionsReorderColumnsAndTheirFrames) {
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0], b = ids[1], c = ids[2];

    run(Action::moveLeft);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {c}, {b}}));
    EXPECT_EQ(strip()->focusedWindow(), c);
    EXPECT_LT(frameOf(c).x, frameOf(b).x);
    EXPECT_LT(frameOf(a).x, frameOf(c).x);

    run(Action::moveToFirst);
    EXPECT_EQ(layoutOf(), (Layout{{c}, {a}, {b}}));
    EXPECT_LT(frameOf(c).x, frameOf(a).x);

    run(Action::moveRight);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {c}, {b}}));

    run(Action::moveToLast);
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}, {c}}));
    EXPECT_EQ(strip()->focusedColumn, 2);
    EXPECT_LT(frameOf(b).x, frameOf(c).x);

    run(Action::moveRight);  // past the end
    EXPECT_EQ(layoutOf(), (Layout{{a}, {b}, {c}}));
}

// --- width actions

TEST_F(CommandsTest, WidthActionsChangeTheFocusedColumnAndItsWindow) {
    prefs->setWidthPresets({0.15, 0.95});
    const auto ids = startWithColumns(2);
    const WindowID b = ids[1];
    ASSERT_DOUBLE_EQ(columnOf(b).widthFraction, 0.5);

    run(Action::fullWidth);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 1.0);
    EXPECT_TRUE(columnOf(b).isFullWidth());
    EXPECT_DOUBLE_EQ(frameOf(b).width, 1420);
    run(Action::fullWidth);  // back to the width before
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.5);
    EXPECT_FALSE(columnOf(b).isFullWidth());

    run(Action::cycleWidth);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.95);
    run(Action::wider);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 1.0);
    EXPECT_FALSE(columnOf(b).isFullWidth());
    EXPECT_DOUBLE_EQ(frameOf(b).width, 1420);

    run(Action::cycleWidthBack);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.95);
    run(Action::cycleWidthBack);
    EXPECT_DOUBLE_EQ(columnOf(b).widthFraction, 0.15);
    run(Action::narrower);
    EXPECT_NEAR(columnOf(b).widthFraction, 0.1, 1e-9);
    EXPECT_DOUBLE_EQ(frameOf(b).width, StripLayout::width(0.1, 1420, 10));
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
    prefs->setAnimate(false);
    const auto ids = startWithColumns(3);
    const WindowID a = ids[0];
    run(Action::focusFirst);
    ASSERT_DOUBLE_EQ(strip()->scrollOffset, 0);
    const Strip arranged = *strip();
    takeLog();

    engine->perform(Action::center);
    EXPECT_TRUE((view().morph(primaryUUID) == nullptr));
    settle();

    // Half a column of 705 points left of a 1420-point area: the view starts at −357.5.
    const double expected = StripLayout::centeredScroll(arranged, 1420, 10);
    EXPECT_DOUBLE_EQ(expected, -357.5);
    EXPECT_DOUBLE_EQ(strip()->scrollOffset, expected);
    EXPECT_EQ(strip()->columns, arranged.columns);
    EXPECT_NEAR(frameOf(a).midX(), 720, 1.0);
    // Whole points, cut toward zero.
    EXPECT_EQ(actionLines(), std::vector<std::string>{arrowLine("center", a, a, 0, 3, "-357")});
}

TEST_F(CommandsTest, CenterAnimatesTheScrollWhenAnimating) {
    const auto ids = startWithColumns(3);
    run(Action::focus2);
    const double expected = StripLayout::centeredScroll(*strip(), 1420, 10);
    ASSERT_NE(strip()->scrollOffset, expected);
    engine->perform(Action::center);
    EXPECT_EQ((view().animation(primaryUUID) ? 1u : 0u), 1u);
    settle();
    EXPECT_DOUBLE_EQ(strip()->scrollOffset, expected);
    EXPECT_NEAR(frameOf(ids[1]).midX(), 720, 1.0);
}

}  // namespace
}  // namespace tessarin::test
