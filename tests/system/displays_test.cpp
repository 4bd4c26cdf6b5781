#include "system/displays.hpp"

#include <gtest/gtest.h>

#include "system_fixture.hpp"

namespace tessarin {
namespace {

Display display(std::uint32_t id, Rect frame) {
    return {id, "uuid-" + std::to_string(id), "Display", frame, frame};
}

// Two side-by-side displays, the second one lower and smaller.
const std::vector<Display> pair{display(1, {0, 0, 1000, 800}), display(2, {1000, 100, 600, 500})};

// The mid-point decides first; without one the larger overlap wins, ties going to the earlier
// display; a window off every display goes to the first.
TEST(DisplaysContaining, TheMidPointThenTheLargerOverlapThenTheFirstDisplayDecide) {
    // Mostly on the first display, but its mid-point is on the second.
    EXPECT_EQ(Displays::containing({700, 200, 700, 100}, pair)->id, 2u);
    EXPECT_EQ(Displays::containing({100, 100, 200, 200}, pair)->id, 1u);
    EXPECT_EQ(Displays::containing({0, 0, 10, 10}, {}), std::nullopt);

    // The mid-point (1000, 750) lies below the second display and right of the first:
    // 100 × 100 on the first, 100 × 0 on the second (it ends at 600).
    EXPECT_EQ(Displays::containing({900, 700, 200, 100}, pair)->id, 1u);
    const std::vector<Display> stacked{display(3, {0, 0, 500, 500}),
                                       display(4, {0, 600, 500, 500})};
    const Rect between{100, 450, 300, 200};  // mid-point in the gap, 50 rows on each
    EXPECT_EQ(Displays::containing(between, stacked)->id, 3u);
    EXPECT_EQ(Displays::containing(between, {stacked[1], stacked[0]})->id, 4u);
    // A larger overlap later in the list replaces the first.
    EXPECT_EQ(Displays::containing({100, 480, 300, 200}, stacked)->id, 4u);

    EXPECT_EQ(Displays::containing({5000, 5000, 100, 100}, pair)->id, 1u);
    EXPECT_EQ(Displays::containing({-900, -900, 100, 100}, {pair[1], pair[0]})->id, 2u);
}

TEST(DisplaysAt, TheOuterEdgeWithinOnePointCounts) {
    // Just past the right edge of the second display.
    EXPECT_EQ(Displays::at({1600.5, 300}, pair)->id, 2u);
    // Just above the second display's top, but beside the first: the first display wins
    // since it is earlier in the list and holds the point itself.
    EXPECT_EQ(Displays::at({999.5, 99.5}, pair)->id, 1u);
    // Above the second display, beyond the first's right edge and its one-point margin.
    EXPECT_EQ(Displays::at({1300, 99.5}, pair)->id, 2u);
    // Far from every display: the first one; nothing without displays.
    EXPECT_EQ(Displays::at({1300, 50}, pair)->id, 1u);
    EXPECT_EQ(Displays::at({0, 0}, {}), std::nullopt);
}

class DisplaysTest : public test::SimFixture {
  protected:
    Displays displays{sim.screens(), sim.pointer(), sim.windowServer()};
};

TEST_F(DisplaysTest, CurrentConvertsFramesAndKeysDisplaysWithoutUUIDByNumber) {
    sim::DisplaySetup right;
    right.name = "Side";
    right.frame = {1440, -200, 1200, 1000};
    right.visibleFrame = Rect{1440, -200, 1200, 950};
    std::uint32_t number = sim.plugDisplay(right);
    sim::DisplaySetup unnumbered;
    unnumbered.uuid = "NO-NUMBER";
    unnumbered.frame = {-800, 0, 800, 600};
    unnumbered.hasNumber = false;
    sim.plugDisplay(unnumbered);

    auto list = displays.current();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].uuid, "PRIMARY");
    EXPECT_EQ(list[0].name, "Built-in");
    EXPECT_EQ(list[0].frame, (Rect{0, 0, 1440, 900}));
    EXPECT_EQ(list[0].visibleFrame, (Rect{0, 25, 1440, 875}));
    EXPECT_EQ(list[1].id, number);
    EXPECT_EQ(list[1].uuid, std::to_string(number));
    EXPECT_EQ(list[1].frame, right.frame);
    EXPECT_EQ(list[1].visibleFrame, *right.visibleFrame);
    EXPECT_EQ(displays.flip(list[1].frame), (Rect{1440, 100, 1200, 1000}));
}

TEST_F(DisplaysTest, UnderMouseReadsThePointerInTheToolkitsConventionWhileThereAreScreens) {
    sim::DisplaySetup below;
    below.uuid = "BELOW";
    below.frame = {0, 900, 1440, 900};
    sim.plugDisplay(below);
    auto list = displays.current();

    sim.setPointer({700, 1200});
    EXPECT_EQ(displays.underMouse(list)->uuid, "BELOW");
    sim.setPointer({700, 100});
    EXPECT_EQ(displays.underMouse(list)->uuid, "PRIMARY");
    // On the bottom edge of the lower display: within its one-point margin.
    sim.setPointer({700, 1800});
    EXPECT_EQ(displays.underMouse(list)->uuid, "BELOW");
    sim.setPointer({3000, 3000});
    EXPECT_EQ(displays.underMouse(list)->uuid, "PRIMARY");

    // Without screens nothing is listed, and flip turns about zero.
    sim.unplugDisplay(list[1].id);
    sim.unplugDisplay(list[0].id);
    EXPECT_TRUE(displays.current().empty());
    EXPECT_EQ(displays.flip({0, 10, 100, 50}), (Rect{0, -60, 100, 50}));
    EXPECT_EQ(displays.underMouse({}), std::nullopt);
}

// The desktop never lists a window twice; this stand-in does, with gaps in its entries.
class RepeatingWindowServer : public WindowServer {
  public:
    std::optional<std::vector<WindowInfo>> windowList(bool onScreenOnly) override {
        if (!onScreenOnly) return std::nullopt;
        std::vector<WindowInfo> list(4);
        list[0].number = 7;
        list[0].bounds = Rect{0, 0, 10, 10};
        list[1].number = 8;
        list[2].bounds = Rect{1, 1, 1, 1};
        list[3].number = 7;
        list[3].bounds = Rect{5, 5, 20, 20};
        return list;
    }
};

TEST_F(DisplaysTest, TheWindowServerListsOnlyWindowsOnScreen) {
    Pid pid = launch("com.example.editor");
    WindowID shown = open(pid, {100, 100, 800, 600});
    WindowID minimized = open(pid, {200, 100, 800, 600});
    WindowID elsewhere = open(pid, {300, 100, 800, 600});
    sim.setMinimized(minimized, true);
    sim.moveToWorkspace(elsewhere, 2);

    auto ids = displays.onScreenWindowIDs();
    std::erase_if(ids, [](WindowID id) { return id >= sim::kMenuBarNumberBase; });
    EXPECT_EQ(ids, std::set<WindowID>{shown});
    auto frames = displays.windowServerFrames();
    std::erase_if(frames, [](const auto& entry) { return entry.first >= sim::kMenuBarNumberBase; });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[shown], (Rect{100, 100, 800, 600}));

    // An unreadable list is empty, which callers treat as unknown.
    sim.setWindowListReadable(false);
    EXPECT_TRUE(displays.onScreenWindowIDs().empty());
    EXPECT_TRUE(displays.windowServerFrames().empty());

    // A later entry for the same window wins.
    RepeatingWindowServer server;
    Displays repeating{sim.screens(), sim.pointer(), server};
    EXPECT_EQ(repeating.onScreenWindowIDs(), (std::set<WindowID>{7, 8}));
    EXPECT_EQ(repeating.windowServerFrames(), (std::map<WindowID, Rect>{{7, {5, 5, 20, 20}}}));
}

}  // namespace
}  // namespace tessarin
