#include "system/web_accessibility.hpp"

#include <gtest/gtest.h>

#include "system/ax.hpp"
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

    bool threeFingerDrag = true;
    WebAccessibility web{sim.accessibility(), sim.workspace(), [this] { return threeFingerDrag; }};
};

TEST_F(WebAccessibilityTest, EnsureTurnsTheInterfaceOnAndAnnouncesEachProcessOnce) {
    Pid chrome = launch("com.google.Chrome", "Chrome");
    web.ensure(chrome);
    EXPECT_EQ(enhanced(chrome), true);
    EXPECT_EQ(log.all(), std::vector<std::string>{"asked Chrome to share its page structure"});

    // Already on: nothing written, nothing logged.
    sim.clearWrites();
    web.ensure(chrome);
    EXPECT_EQ(enhancedWrites(), 0);

    // Turned off by someone else: turned on again, but announced only once.
    sim.accessibility().setAttribute(sim.accessibility().application(chrome),
                                     "AXEnhancedUserInterface", false);
    web.ensure(chrome);
    EXPECT_EQ(enhanced(chrome), true);
    EXPECT_EQ(log.all().size(), 1u);

    Pid nameless = launch("com.brave.Browser", "");
    web.ensure(nameless);
    EXPECT_EQ(log.all().back(), "asked browser to share its page structure");
}

TEST_F(WebAccessibilityTest, RunningBrowsersAreAskedOnlyWhileThreeFingerDragIsOn) {
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
    EXPECT_EQ(enhanced(chrome), true);
    EXPECT_EQ(enhanced(edge), true);
    EXPECT_EQ(enhanced(editor), false);
    EXPECT_EQ(enhanced(firefox), false);
    EXPECT_EQ(log.all().size(), 2u);
}

}  // namespace
}  // namespace tessarin
