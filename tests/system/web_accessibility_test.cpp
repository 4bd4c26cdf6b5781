#include "system/web_accessibility.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "system/ax.hpp"
#include "system/ax_window.hpp"
#include "system/window_mover.hpp"
#include "system_fixture.hpp"

namespace tessarin {
namespace {

class WebAccessibilityTest : public test::SimFixture {
  protected:
    std::optional<bool> enhanced(Pid pid) {
        Accessibility& ax = sim.accessibility();
        return AX::boolean(ax, ax.application(pid), "AXEnhancedUserInterface");
    }
    int enhancedWrites() {
        int count = 0;
        for (const auto& write : sim.writes())
            count += write.attribute == "AXEnhancedUserInterface";
        return count;
    }

    // Runs the mover's queues, where the attribute is written.
    void settle() { queues.drainAll(); }

    bool threeFingerDrag = true;
    std::shared_ptr<WindowMover> mover =
        WindowMover::create(sim.accessibility(), queues, loop, sim.clock());
    WebAccessibility web{mover, sim.workspace(), [this] { return threeFingerDrag; }};
};

// Running browsers are asked only while three-finger drag is on; each process is announced
// once, and asked again only when its interface was turned off.
TEST_F(WebAccessibilityTest, RunningBrowsersAreAskedWhileThreeFingerDragIsOnAndAnnouncedOnce) {
    Pid chrome = launch("com.google.Chrome", "Chrome");
    Pid edge = launch("com.microsoft.edgemac", "Edge");
    Pid editor = launch("com.example.editor", "Editor");
    Pid firefox = launch("org.mozilla.firefox", "Firefox");

    threeFingerDrag = false;
    web.ensureForRunningBrowsers();
    EXPECT_EQ(enhancedWrites(), 0);
    EXPECT_TRUE(log.all().empty());

    threeFingerDrag = true;
    web.ensureForRunningBrowsers();
    settle();
    EXPECT_EQ(enhanced(chrome), true);
    EXPECT_EQ(enhanced(edge), true);
    EXPECT_EQ(enhanced(editor), false);
    EXPECT_EQ(enhanced(firefox), false);
    auto lines = log.all();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"asked Chrome to share its page structure",
                                               "asked Edge to share its page structure"}));

    // Already on: nothing written, nothing logged.
    sim.clearWrites();
    web.ensure(chrome);
    settle();
    EXPECT_EQ(enhancedWrites(), 0);

    // Turned off by someone else: turned on again, but announced only once.
    sim.accessibility().setAttribute(sim.accessibility().application(chrome),
                                     "AXEnhancedUserInterface", false);
    web.ensure(chrome);
    settle();
    EXPECT_EQ(enhanced(chrome), true);
    EXPECT_EQ(log.all().size(), 2u);

    Pid nameless = launch("com.brave.Browser", "");
    web.ensure(nameless);
    settle();
    EXPECT_EQ(log.all().back(), "asked browser to share its page structure");
}

// One owner writes the attribute: the mover, on the application's queue. Turning it on waits
// behind frame writes already queued there, and the mover then knows it is on, so the next
// run of writes switches it off around them instead of animating every frame.
TEST_F(WebAccessibilityTest, TheInterfaceIsTurnedOnByTheMoverOnTheApplicationsQueue) {
    Pid chrome = launch("com.google.Chrome", "Chrome");
    auto page = AXWindow::create(sim.accessibility(), sim.workspace(),
                                 sim.window(open(chrome, {100, 100, 800, 600}))->element, chrome);
    mover->move(page, {0, 30, 700, 500});
    settle();  // the mover has read the interface as off
    sim.clearWrites();

    web.ensure(chrome);
    EXPECT_EQ(enhanced(chrome), false) << "written off the application's queue";
    settle();
    EXPECT_EQ(enhanced(chrome), true);

    sim.clearWrites();
    mover->move(page, {10, 30, 700, 500});
    settle();
    EXPECT_EQ(enhancedWrites(), 2) << "off and on again around the write";
}

}  // namespace
}  // namespace tessarin
