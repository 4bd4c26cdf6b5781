#include <string>

#include "engine_fixture.hpp"

// The primary display's layout area is 1420 × 855 at (10, 35) with 10-point gaps: a half-width
// column is 705 wide, and two stacked rows share 845 points.

namespace tessarin::test {

class LayoutSizes : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        plugPrimary();
        start();
    }

    sim::WindowSpec setup(const std::string& title, Size minimum = {0, 0}) {
        sim::WindowSpec window = sim::makeWindow(title, {100, 100, 800, 600});
        window.minimumSize = minimum;
        return window;
    }

    // A command that keeps every frame still morphs; sizes are checked when the morph ends.
    void verifyAfterAMorph() {
        engine->perform(Action::equalizeHeights);
        settle();
    }

    // Lines since the last takeLog that start with `prefix`.
    std::vector<std::string> linesStarting(const std::string& prefix) {
        std::vector<std::string> lines;
        for (const std::string& line : takeLog()) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(LayoutSizes, AWindowThatKeepsEndingOffIsCorrectedTwicePerWantedFrame) {
    sim::WindowSpec drifting = setup("Drifts");
    drifting.faults.movesItself = Point{10, 0};
    const WindowID id = openSpec(drifting);
    ASSERT_EQ(applied(id), (Rect{10, 35, 705, 855}));
    ASSERT_EQ(frameOf(id), (Rect{20, 35, 705, 855}));
    takeLog();

    for (int round = 0; round < 2; ++round) {
        desktop.clearWrites();
        verifyAfterAMorph();
        // The correction is a full write again, as after the mover forgot the window.
        EXPECT_EQ(writesTo(id, "AXSize"), 2) << round;
        EXPECT_EQ(writesTo(id, "AXPosition"), 1) << round;
    }
    const auto lines = linesStarting("window not where it should be: ");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "window not where it should be: " + std::to_string(id) +
                            " is 20,35 705x855, redoing 10,35 705x855");

    desktop.clearWrites();
    verifyAfterAMorph();
    EXPECT_TRUE(linesStarting("window not where it should be: ").empty());
    EXPECT_EQ(frameWrites(id), 0);

    // A new wanted frame gets its own two corrections.
    engine->perform(Action::wider);
    settle();
    verifyAfterAMorph();
    verifyAfterAMorph();
    const auto again = linesStarting("window not where it should be: ");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0], "window not where it should be: " + std::to_string(id) +
                            " is 20,35 848x855, redoing 10,35 848x855");
}

TEST_F(LayoutSizes, AWindowWithinFourPointsIsLeftAlone) {
    sim::WindowSpec slightly = setup("Slightly off");
    slightly.faults.movesItself = Point{4, -4};
    const WindowID id = openSpec(slightly);
    takeLog();
    verifyAfterAMorph();
    EXPECT_EQ(countLogged("window not where it should be: "), 0);
    EXPECT_TRUE(applied(id).has_value());
}

TEST_F(LayoutSizes, AStackedRowKeepsItsMinimumHeightAndItsNeighbourShrinks) {
    const WindowID top = openSpec(setup("Top"));
    const WindowID bottom = openSpec(setup("Bottom", {0, 453}));
    takeLog();
    engine->perform(Action::stackLeft);
    settle();
    ASSERT_EQ(columnOf(top).windows, (IDs{top, bottom}));

    EXPECT_TRUE(logged("min height: " + std::to_string(bottom) +
                       " needs 453pt, giving it that much of the stack"));
    EXPECT_EQ(frameOf(top), (Rect{10, 35, 705, 392}));
    EXPECT_EQ(frameOf(bottom), (Rect{10, 437, 705, 453}));
    EXPECT_EQ(countLogged("stack doesn't fit: "), 0);
}

TEST_F(LayoutSizes, AStackThatCannotFitPopsAWindowOutAndRestoresTheTargetWidth) {
    const WindowID top = openSpec(setup("Top", {0, 600}));
    const WindowID tall = openSpec(setup("Tall and wide", {900, 600}));
    engine->perform(Action::stackLeft);
    settle();

    // The wide window widened the stack's column first; leaving it gives the column back.
    ASSERT_EQ(strip()->columns.size(), 2u);
    EXPECT_EQ(strip()->columns[0].windows, (IDs{top}));
    EXPECT_EQ(strip()->columns[1].windows, (IDs{tall}));
    EXPECT_DOUBLE_EQ(strip()->columns[0].widthFraction, 0.5);
    EXPECT_DOUBLE_EQ(strip()->columns[1].widthFraction, 910.0 / 1430.0);
    EXPECT_EQ(strip()->focusedWindow(), tall);

    const auto lines = linesStarting("stack doesn't fit: ");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" needs 600pt of 855pt, popping " + std::to_string(tall) + " out"),
              std::string::npos)
        << lines[0];
    // Lone windows take the whole height again.
    EXPECT_EQ(frameOf(top).height, 855);
    EXPECT_EQ(frameOf(tall).height, 855);
}

}  // namespace tessarin::test
