#include "backends/sim/sim_desktop.hpp"

#include <gtest/gtest.h>

#include "base/virtual_loop.hpp"

namespace tessarin::sim {
namespace {

struct SimDesktopTest : ::testing::Test {
    VirtualLoop loop;
    SimDesktop desktop{loop};
    Pid pid = 0;

    void SetUp() override {
        desktop.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}, "Main"));
        pid = desktop.launch(makeApp("com.example.editor", "Editor"));
    }
};

TEST_F(SimDesktopTest, OpenWindowIsVisibleThroughAccessibility) {
    const WindowID id = *desktop.openWindow(pid, makeWindow("One", {10, 40, 500, 400}));
    Accessibility& ax = desktop.accessibility();
    AXValue windows;
    ASSERT_EQ(ax.copyAttribute(ax.application(pid), "AXWindows", windows), AXError::success);
    const auto& list = std::get<std::vector<AXElement>>(windows);
    ASSERT_EQ(list.size(), 1u);
    WindowID number = 0;
    EXPECT_EQ(ax.windowNumber(list[0], number), AXError::success);
    EXPECT_EQ(number, id);
    AXValue position;
    EXPECT_EQ(ax.copyAttribute(list[0], "AXPosition", position), AXError::success);
    EXPECT_EQ(std::get<Point>(position), (Point{10, 40}));
}

}  // namespace
}  // namespace tessarin::sim
