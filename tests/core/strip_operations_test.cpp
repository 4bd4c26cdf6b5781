// What each strip operation does at its edges. That a refused operation leaves the strip
// unchanged, and that nothing breaks the invariants, is checked by the sequence tests.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "core/strip.hpp"

namespace tessarin {
namespace {

using Rows = std::vector<WindowID>;

Strip makeStrip(const std::vector<Rows>& columns, std::int64_t focused = 0) {
    Strip strip;
    for (const Rows& rows : columns)
        strip.columns.emplace_back(rows, 0.5);
    strip.focusedColumn = focused;
    strip.scrollOffset = 120;
    return strip;
}

// Columns apart by " | ", windows by spaces, the focused column marked with "*".
std::string shape(const Strip& strip) {
    std::string text;
    for (std::size_t c = 0; c < strip.columns.size(); ++c) {
        text += c ? " | " : "";
        for (std::size_t r = 0; r < strip.columns[c].windows.size(); ++r) {
            text += r ? " " : "";
            text += std::to_string(strip.columns[c].windows[r]);
        }
        text += static_cast<std::int64_t>(c) == strip.focusedColumn ? "*" : "";
    }
    return text;
}

constexpr std::int64_t hugeIndex = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t tinyIndex = std::numeric_limits<std::int64_t>::min();

TEST(StripFocus, DerivedQueriesAndFocusSetColumnAndRow) {
    Strip strip = makeStrip({{1}, {2, 3}, {4}}, 0);
    EXPECT_EQ(strip.windows(), (Rows{1, 2, 3, 4}));
    EXPECT_EQ(strip.locate(3), (std::pair<std::size_t, std::size_t>{1, 1}));
    EXPECT_TRUE(strip.focus(3));
    EXPECT_EQ(strip.focusedColumn, 1);
    EXPECT_EQ(strip.focusedWindow(), 3u);
    strip.focusedColumn = 3;
    EXPECT_EQ(strip.focusedWindow(), std::nullopt);
}

TEST(StripInsert, FocusAndPosition) {
    Strip strip;
    strip.insertColumn(1, 0.5, std::nullopt, false);

    strip.insertColumn(2, 1.7, std::nullopt, false);  // after the focused one, width unclamped
    EXPECT_EQ(shape(strip), "1* | 2");
    EXPECT_EQ(strip.columns[1].widthFraction, 1.7);

    strip.insertColumn(3, 0.5, 0, false);  // before the focused column: it keeps the focus
    EXPECT_EQ(shape(strip), "3 | 1* | 2");
    strip.insertColumn(4, 0.5, 1, false);  // at the focused column: same
    EXPECT_EQ(strip.focusedColumn, 2);
    strip.insertColumn(5, 0.5, 4, false);  // after it: unchanged
    EXPECT_EQ(strip.focusedColumn, 2);
    EXPECT_EQ(strip.focusedWindow(), 1u);

    strip.insertColumn(6, 0.5, tinyIndex, true);
    strip.insertColumn(7, 0.5, hugeIndex, true);
    EXPECT_EQ(shape(strip), "6 | 3 | 4 | 1 | 2 | 5 | 7*");
    EXPECT_EQ(strip.scrollOffset, 0);
}

TEST(StripRemove, FocusFollowsTheRemovedColumn) {
    Strip strip = makeStrip({{1}, {2}, {3}}, 0);
    EXPECT_TRUE(strip.remove(1));  // focused column at 0: the new first column
    EXPECT_EQ(strip.focusedColumn, 0);
    EXPECT_EQ(strip.focusedWindow(), 2u);

    strip = makeStrip({{1}, {2}, {3}, {4}}, 2);
    EXPECT_TRUE(strip.remove(3));  // focused at k > 0: column k - 1, not the one moving in
    EXPECT_EQ(shape(strip), "1 | 2* | 4");
    EXPECT_TRUE(strip.remove(1));  // left of the focus: the same column keeps it
    EXPECT_EQ(shape(strip), "2* | 4");

    strip = makeStrip({{1, 2, 3}});
    strip.columns[0].activeRow = 1;
    EXPECT_TRUE(strip.remove(1));  // a stack keeps its active window
    EXPECT_EQ(strip.focusedWindow(), 2u);
}

TEST(StripMoveFocus, NoWrapAndRowsRemembered) {
    Strip strip = makeStrip({{1}, {2, 3, 4}, {5}}, 1);
    strip.columns[1].activeRow = 2;
    EXPECT_EQ(strip.moveFocus(Direction::right), 5u);
    EXPECT_EQ(strip.moveFocus(Direction::right), std::nullopt);
    EXPECT_EQ(strip.moveFocus(Direction::left), 4u);  // back on the row last used
    EXPECT_EQ(strip.moveFocus(Direction::up), 3u);
    EXPECT_EQ(strip.moveFocus(Direction::up), 2u);
    EXPECT_EQ(strip.moveFocus(Direction::up), std::nullopt);
    EXPECT_EQ(strip.moveFocus(Direction::left), 1u);
    EXPECT_EQ(strip.moveFocus(Direction::left), std::nullopt);
    EXPECT_EQ(strip.moveFocus(Direction::down), std::nullopt);
    EXPECT_EQ(strip.columns[1].activeRow, 0);
    // A column focused by index shows its active row; the sequence tests refuse bad indices.
    strip.columns[1].activeRow = 1;
    EXPECT_EQ(strip.focusColumn(1), 3u);
}

TEST(StripMoveFocused, SwapsColumnsAndRows) {
    Strip strip = makeStrip({{1}, {2, 3}}, 0);
    strip.columns[1].heightWeights = {2.0, 0.5};
    EXPECT_TRUE(strip.moveFocused(Direction::right));
    EXPECT_EQ(shape(strip), "2 3 | 1*");
    EXPECT_FALSE(strip.moveFocused(Direction::right));
    EXPECT_FALSE(strip.moveFocused(Direction::down));  // a single row has nowhere to go

    strip.focusedColumn = 0;
    EXPECT_TRUE(strip.moveFocused(Direction::down));
    EXPECT_EQ(strip.columns[0].windows, (Rows{3, 2}));
    EXPECT_EQ(strip.columns[0].heightWeights, (std::vector<double>{0.5, 2.0}));
    EXPECT_EQ(strip.columns[0].activeRow, 1);
    EXPECT_EQ(strip.focusedWindow(), 2u);
    EXPECT_FALSE(strip.moveFocused(Direction::down));
    EXPECT_FALSE(strip.moveFocused(Direction::left));
    EXPECT_TRUE(strip.moveFocused(Direction::up));
    EXPECT_EQ(strip.columns[0].windows, (Rows{2, 3}));
}

TEST(StripMoveFocusedColumn, ClampsTheTarget) {
    Strip strip = makeStrip({{1}, {2}, {3}, {4}}, 1);
    EXPECT_TRUE(strip.moveFocusedColumn(hugeIndex));
    EXPECT_EQ(shape(strip), "1 | 3 | 4 | 2*");
    EXPECT_TRUE(strip.moveFocusedColumn(-2));
    EXPECT_EQ(shape(strip), "2* | 1 | 3 | 4");
    EXPECT_FALSE(strip.moveFocusedColumn(tinyIndex));
}

TEST(StripMoveWindow, LoneWindowMovesItsColumnAndStackedOneGetsItsOwn) {
    Strip strip = makeStrip({{1}, {2}, {3}}, 0);
    EXPECT_TRUE(strip.moveWindow(3, 0));
    EXPECT_EQ(shape(strip), "3* | 1 | 2");

    // Going nowhere reports no change and must leave the focus where it was.
    EXPECT_FALSE(strip.moveWindow(2, 7));
    EXPECT_FALSE(strip.moveWindow(9, 0));

    // A stacked window gets a column of its own.
    strip = makeStrip({{1}, {2, 3, 4}}, 0);
    strip.columns[1].widthFraction = 0.7;
    strip.columns[1].activeRow = 2;
    EXPECT_TRUE(strip.moveWindow(3, hugeIndex));  // clamped to the count before insertion
    EXPECT_EQ(shape(strip), "1 | 2 4 | 3*");
    EXPECT_EQ(strip.columns[2], Column({3}, 0.7));
    EXPECT_EQ(strip.columns[1].activeRow, 1);  // 4 stays active in the source
    EXPECT_TRUE(strip.moveWindow(2, -3));
    EXPECT_EQ(shape(strip), "2* | 1 | 4 | 3");
}

TEST(StripStack, MergesIntoNeighbour) {
    Strip strip = makeStrip({{1, 2}, {3}}, 1);
    Column& target = strip.columns[0];
    target.widthFraction = 1.0;
    target.savedFraction = 0.4;
    target.zoomed = true;
    target.heightWeights = {2.0, 3.0};
    EXPECT_TRUE(strip.stackFocused(Direction::left));  // source to the right of the target
    ASSERT_EQ(shape(strip), "1 2 3*");
    const Column& merged = strip.columns[0];
    EXPECT_EQ(merged.heightWeights, (std::vector<double>{2.0, 3.0, 1.0}));
    EXPECT_EQ(merged.activeRow, 2);
    EXPECT_EQ(merged.widthFraction, 1.0);
    EXPECT_EQ(merged.savedFraction, 0.4);
    EXPECT_EQ(merged.zoomed, true);

    strip = makeStrip({{1}, {2}, {3}}, 1);
    EXPECT_TRUE(strip.stackFocused(Direction::right));  // from the left: the index drops
    EXPECT_EQ(shape(strip), "1 | 3 2*");

    strip = makeStrip({{1, 2}, {3}}, 0);
    EXPECT_TRUE(strip.stackFocused(Direction::right));  // the source survives: no shift
    EXPECT_EQ(shape(strip), "2 | 3 1*");

    EXPECT_FALSE(strip.stackFocused(Direction::right));
    EXPECT_FALSE(strip.stackFocused(Direction::up));
    EXPECT_FALSE(strip.stackFocused(Direction::down));
}

TEST(StripPopOut, BesideTheSource) {
    Strip strip = makeStrip({{1}, {2, 3, 4}}, 1);
    strip.columns[1].activeRow = 1;
    strip.columns[1].widthFraction = 0.8;
    EXPECT_TRUE(strip.popOutFocused(Direction::left));
    EXPECT_EQ(shape(strip), "1 | 3* | 2 4");
    EXPECT_EQ(strip.columns[1], Column({3}, 0.8));

    strip.focusedColumn = 2;
    EXPECT_TRUE(strip.popOutFocused(Direction::right));
    EXPECT_EQ(shape(strip), "1 | 3 | 2 | 4*");

    EXPECT_FALSE(strip.popOutFocused(Direction::left));  // a single window stays put
    strip.columns[3].windows.push_back(9);
    strip.columns[3].heightWeights.push_back(1.0);
    EXPECT_FALSE(strip.popOutFocused(Direction::up));
}

TEST(StripCycleWidth, PresetsWithTolerance) {
    // From width, forward or back, to width; just off a preset counts as it.
    const std::tuple<double, bool, double> cases[] = {
        {0.5, true, 2.0 / 3},  {2.0 / 3, true, 1.0 / 3},  {0.34, true, 0.5},
        {0.5, false, 1.0 / 3}, {1.0 / 3, false, 2.0 / 3}, {0.34, false, 2.0 / 3},
        {0.9, true, 1.0 / 3},  {0.495, true, 2.0 / 3},    {0.505, false, 1.0 / 3}};
    for (const auto& [from, forward, to] : cases) {
        Strip strip = makeStrip({{1}});
        strip.columns[0].widthFraction = from;
        strip.cycleWidth({2.0 / 3, 0.5, 1.0 / 3}, forward);
        EXPECT_DOUBLE_EQ(strip.columns[0].widthFraction, to) << from << " " << forward;
    }
}

TEST(StripCycleWidth, FullWidthAndZoomRestoreFirst) {
    Strip strip = makeStrip({{1, 2}});
    strip.columns[0].activeRow = 1;
    strip.columns[0].widthFraction = 0.5;
    strip.toggleFullWidth();
    strip.cycleWidth({0.5, 0.75}, true);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.5);
    EXPECT_FALSE(strip.columns[0].isFullWidth());
    strip.cycleWidth({0.5, 0.75}, true);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.75);
    EXPECT_EQ(strip.columns[0].activeRow, 1);

    strip.toggleZoom(1);
    strip.cycleWidth({0.5}, false);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.75);
    EXPECT_EQ(strip.columns[0].zoomed, std::nullopt);
    EXPECT_EQ(strip.columns[0].savedFraction, std::nullopt);

    strip.columns[0].zoomed = false;  // a stored "not zoomed" is cleared by a cycle
    strip.cycleWidth({0.5}, false);
    EXPECT_EQ(strip.columns[0].zoomed, std::nullopt);
}

TEST(StripWidth, AdjustAndSetClamp) {
    EXPECT_EQ(Strip::clampFraction(std::numeric_limits<double>::quiet_NaN()), 1.0);

    Strip strip = makeStrip({{1}, {2}}, 0);
    strip.columns[0].widthFraction = 1.0;
    strip.adjustWidth(0.1);
    EXPECT_EQ(strip.columns[0].widthFraction, 1.0);
    strip.columns[0].widthFraction = 0.15;
    strip.adjustWidth(-0.1);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.1);

    strip.toggleZoom(1);  // from full width or zoom, a step starts at 1.0 and forgets the rest
    strip.adjustWidth(-0.1);
    EXPECT_DOUBLE_EQ(strip.columns[0].widthFraction, 0.9);
    EXPECT_FALSE(strip.columns[0].isFullWidth());
    EXPECT_EQ(strip.columns[0].zoomed, std::nullopt);

    strip.focusedColumn = 1;
    strip.toggleFullWidth();
    strip.setWidth(2, 4.0);
    EXPECT_EQ(strip.columns[1].widthFraction, 1.0);
    EXPECT_FALSE(strip.columns[1].isFullWidth());
    strip.setWidth(1, 0.0);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.1);
    EXPECT_EQ(strip.focusedColumn, 1);  // setting a width does not move the focus
}

TEST(StripWidth, FullWidthAndZoomStates) {
    Strip strip = makeStrip({{1}, {2, 3}}, 0);
    strip.columns[1].activeRow = 1;
    strip.columns[1].widthFraction = 0.4;

    strip.focusedColumn = 1;
    strip.toggleFullWidth();  // normal -> full width
    EXPECT_EQ(strip.columns[1].widthFraction, 1.0);
    EXPECT_EQ(strip.columns[1].savedFraction, 0.4);
    strip.focusedColumn = 0;
    strip.toggleZoom(2);  // full width -> zoomed, focusing the column but not its row
    EXPECT_EQ(strip.focusedColumn, 1);
    EXPECT_EQ(strip.columns[1].activeRow, 1);
    EXPECT_TRUE(strip.columns[1].isZoomed());
    EXPECT_EQ(strip.columns[1].savedFraction, 0.4);
    strip.toggleZoom(3);  // zoomed -> normal at the pre-full-width width
    EXPECT_EQ(strip.columns[1].widthFraction, 0.4);
    EXPECT_FALSE(strip.columns[1].isFullWidth());
    EXPECT_EQ(strip.columns[1].zoomed, std::nullopt);

    strip.toggleZoom(2);
    strip.toggleFullWidth();  // zoomed -> the saved width, zoom left
    EXPECT_EQ(strip.columns[1].widthFraction, 0.4);
    EXPECT_FALSE(strip.columns[1].isFullWidth());
    EXPECT_EQ(strip.columns[1].zoomed, std::nullopt);
}

TEST(StripHeight, AdjustAndEqualize) {
    Strip strip = makeStrip({{1}, {2, 3, 4}}, 0);
    strip.focusedColumn = 1;
    strip.columns[1].activeRow = 1;
    strip.adjustHeight(0.25);
    EXPECT_EQ(strip.columns[1].heightWeights, (std::vector<double>{1.0, 1.25, 1.0}));
    strip.adjustHeight(-0.2);  // one step each way cancels out
    EXPECT_DOUBLE_EQ(strip.columns[1].heightWeights[1], 1.0);
    for (int i = 0; i < 20; ++i)
        strip.adjustHeight(0.25);
    EXPECT_EQ(strip.columns[1].heightWeights[1], 5.0);
    strip.adjustHeight(-5.0);
    EXPECT_EQ(strip.columns[1].heightWeights[1], 0.2);

    strip.equalizeHeights();
    EXPECT_EQ(strip.columns[1].heightWeights, (std::vector<double>{1.0, 1.0, 1.0}));
    strip.focusedColumn = 0;
    strip.columns[0].heightWeights = {3.0};
    strip.equalizeHeights();
    EXPECT_EQ(strip.columns[0].heightWeights, (std::vector<double>{1.0}));
}

// Strips in the sequence tests always have a valid focus; a decoded one need not.
TEST(StripFocusedColumnOperations, InvalidFocusDoesNothing) {
    Strip strip = makeStrip({{1, 2}, {3}}, 5);
    const Strip before = strip;
    EXPECT_EQ(strip.moveFocus(Direction::left), std::nullopt);
    EXPECT_FALSE(strip.moveFocused(Direction::left));
    EXPECT_FALSE(strip.moveFocusedColumn(0));
    EXPECT_FALSE(strip.stackFocused(Direction::left));
    EXPECT_FALSE(strip.popOutFocused(Direction::left));
    strip.cycleWidth({0.5}, true);
    strip.adjustWidth(0.1);
    strip.toggleFullWidth();
    strip.adjustHeight(0.25);
    strip.equalizeHeights();
    EXPECT_EQ(strip, before);
}
}  // namespace
}  // namespace tessarin
