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

    sim::WindowSetup setup(const std::string& title, Size minimum = {0, 0}) {
        sim::WindowSetup window = sim::makeWindow(title, {100, 100, 800, 600});
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
    sim::WindowSetup drifting = setup("Drifts");
    drifting.faults.movesItself = Point{10, 0};
    const WindowID id = openSetup(drifting);
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
    sim::WindowSetup slightly = setup("Slightly off");
    slightly.faults.movesItself = Point{4, -4};
    const WindowID id = openSetup(slightly);
    takeLog();
    verifyAfterAMorph();
    EXPECT_EQ(countLogged("window not where it should be: "), 0);
    EXPECT_TRUE(applied(id).has_value());
}

}  // namespace tessarin::test
