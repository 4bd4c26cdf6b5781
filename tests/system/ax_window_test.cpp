#include "system/ax_window.hpp"

#include <gtest/gtest.h>

#include "scripted_accessibility.hpp"
#include "system/ax.hpp"
#include "system_fixture.hpp"

namespace tessarin {
namespace {

using test::ScriptedAccessibility;

class AXWindowTest : public test::SimFixture {
  protected:
    std::shared_ptr<AXWindow> createThrough(Accessibility& ax, WindowID id) {
        auto snapshot = sim.window(id);
        return AXWindow::create(ax, sim.workspace(), snapshot->element, snapshot->pid);
    }
};

// Which writes a frame takes, and what a hung application costs, is covered through the mover.
TEST_F(AXWindowTest, ConstructionNeedsAWindowNumber) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600});
    Accessibility& ax = sim.accessibility();
    auto window = this->window(id);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->id, id);
    EXPECT_EQ(window->bundleID, "com.example.editor");
    EXPECT_EQ(this->window(open(launch(std::nullopt), {0, 30, 400, 300}))->bundleID, std::nullopt);

    // An application element and a child element have no window number.
    EXPECT_EQ(AXWindow::create(ax, sim.workspace(), ax.application(pid), pid), nullptr);
    auto child = sim.addElement(id, "AXSlider", {120, 120, 100, 20});
    ASSERT_TRUE(child);
    EXPECT_EQ(AXWindow::create(ax, sim.workspace(), *child, pid), nullptr);
    // Nor a number of zero, or one that comes with an error.
    ScriptedAccessibility scripted(ax);
    scripted.answerWindowNumber(AXError::success, 0);
    EXPECT_EQ(createThrough(scripted, id), nullptr);
    scripted.answerWindowNumber(AXError::failure, 77);
    EXPECT_EQ(createThrough(scripted, id), nullptr);
    // A closed window's element no longer yields its number.
    AXElement element = sim.window(id)->element;
    sim.closeWindow(id);
    EXPECT_EQ(AXWindow::create(ax, sim.workspace(), element, pid), nullptr);
}

TEST_F(AXWindowTest, FailedWritesAreLoggedWithBothResultsAndTheBundle) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600});
    ScriptedAccessibility ax(sim.accessibility());
    auto window = createThrough(ax, id);
    ax.failWrites("AXPosition", AXError::failure);

    window->setFrame({0, 30, 700, 500}, std::nullopt);
    EXPECT_EQ(log.all(), std::vector<std::string>{"setFrame failed pos=-25200 size=0 for " +
                                                  std::to_string(id) + " com.example.editor"});

    window->setFrame({50, 30, 700, 500}, Rect{0, 30, 700, 500});
    EXPECT_EQ(log.starting("setPosition failed"),
              std::vector<std::string>{"setPosition failed -25200 for " + std::to_string(id) +
                                       " com.example.editor"});

    // A fixed-size window without a bundle logs the size code and a question mark.
    sim::WindowSetup setup;
    setup.fixedSize = true;
    WindowID fixed = sim.openWindow(launch(std::nullopt, "Bare"), setup).value();
    this->window(fixed)->setFrame({0, 30, 300, 300}, std::nullopt);
    EXPECT_EQ(log.all().back(),
              "setFrame failed pos=0 size=-25205 for " + std::to_string(fixed) + " ?");
    // The position still landed; only the size was refused.
    EXPECT_EQ(frameOf(fixed).origin(), (Point{0, 30}));
}

TEST_F(AXWindowTest, ReadersGiveNothingForTheWrongKindOfValueOrAGoneApplication) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600});
    AXElement element = sim.window(id)->element;
    ScriptedAccessibility ax(sim.accessibility());

    EXPECT_EQ(AX::position(ax, element), (Point{100, 100}));
    EXPECT_EQ(AX::size(ax, element), (Size{800, 600}));
    EXPECT_EQ(AX::string(ax, element, "AXRole"), "AXWindow");
    EXPECT_EQ(AX::boolean(ax, element, "AXMinimized"), false);

    ax.answerRead("AXPosition", Size{1, 2});
    EXPECT_EQ(AX::position(ax, element), std::nullopt);
    ax.answerRead("AXSize", Point{1, 2});
    EXPECT_EQ(AX::size(ax, element), std::nullopt);
    ax.answerRead("AXTitle", 3.0);
    EXPECT_EQ(AX::string(ax, element, "AXTitle"), std::nullopt);
    ax.answerRead("AXMinimized", 1.0);
    EXPECT_EQ(AX::boolean(ax, element, "AXMinimized"), true);
    ax.answerRead("AXFocused", std::string("yes"));
    EXPECT_EQ(AX::boolean(ax, element, "AXFocused"), std::nullopt);

    // Element readers follow the application.
    WindowID second = open(pid, {200, 100, 800, 600});
    AXElement app = ax.application(pid);
    EXPECT_EQ(AX::elements(ax, app, "AXWindows").size(), 2u);
    EXPECT_EQ(AX::element(ax, app, "AXFocusedWindow"), sim.window(second)->element);
    // Wrong kinds and failed reads: an absent element, an empty list.
    EXPECT_EQ(AX::element(ax, app, "AXWindows"), std::nullopt);
    EXPECT_TRUE(AX::elements(ax, app, "AXFocusedWindow").empty());
    EXPECT_TRUE(AX::elements(ax, element, "AXNoSuchList").empty());
    sim.quit(pid);
    EXPECT_TRUE(AX::elements(ax, app, "AXWindows").empty());
    EXPECT_EQ(AX::position(sim.accessibility(), element), std::nullopt);
}

}  // namespace
}  // namespace tessarin
