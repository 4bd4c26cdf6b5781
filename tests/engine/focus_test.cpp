#include <string>
#include <variant>

#include "layout_fixture.hpp"

namespace tessarin::test {

class Focus : public LayoutTest {
  protected:
    void SetUp() override {
        LayoutTest::SetUp();
        plugPrimary();
    }

    // Writes of `attribute` with the value true, in order, by the element they went to.
    std::vector<AXElement> trueWrites(const std::string& attribute) const {
        std::vector<AXElement> elements;
        for (const auto& write : desktop.writes()) {
            const bool* value = std::get_if<bool>(&write.value);
            if (write.attribute == attribute && value && *value) elements.push_back(write.element);
        }
        return elements;
    }

    std::string synced(WindowID id, int column) {
        return "focus synced to " + std::to_string(id) + " col=" + std::to_string(column);
    }
};

TEST_F(Focus, FocusingAWindowRaisesItAndActivatesItsApplicationUnlessFrontmost) {
    start();
    const auto editor = openColumns(2);
    const Pid mail = launch("com.example.mail", "Mail");
    const WindowID inbox = openSettled(mail, "Inbox");
    ASSERT_EQ(workspace.frontmostApplication()->pid, mail);

    desktop.clearWrites();
    workspace.activations.clear();
    engine->focusWindow(editor[0]);
    EXPECT_EQ(trueWrites("AXFrontmost"), (std::vector<AXElement>{AXElement{app, 0}}));
    EXPECT_EQ(trueWrites("AXMain"), (std::vector<AXElement>{*desktop.element(editor[0])}));
    EXPECT_EQ(workspace.activations, (std::vector<Pid>{app}));
    settle();
    EXPECT_EQ(desktop.focusedWindow(), editor[0]);

    // Already frontmost: the window is raised, the application not activated again.
    desktop.clearWrites();
    workspace.activations.clear();
    engine->focusWindow(editor[1]);
    EXPECT_EQ(trueWrites("AXMain"), (std::vector<AXElement>{*desktop.element(editor[1])}));
    EXPECT_TRUE(workspace.activations.empty());
    settle();
    EXPECT_EQ(desktop.focusedWindow(), editor[1]);
    EXPECT_TRUE(desktop.warps().empty());

    // An unknown window is left alone.
    desktop.clearWrites();
    engine->focusWindow(inbox + 1000);
    EXPECT_TRUE(desktop.writes().empty());
}

TEST_F(Focus, ThePointerFollowsFocusToTheCentreOfTheWindowsFrame) {
    prefs->setMouseFollowsFocus(true);
    start();
    const auto ids = openColumns(2);
    engine->focusWindow(ids[0]);
    const Rect frame = applied(ids[0]).value_or(Rect{});
    ASSERT_FALSE(desktop.warps().empty());
    EXPECT_EQ(desktop.warps().back(), frame.center());
    EXPECT_EQ(desktop.warps().back(), (Point{10 + 705 / 2.0, 35 + 855 / 2.0}));
}

TEST_F(Focus, AUsersFocusChangeMovesTheStripsFocusAndRemembersThePreviousOne) {
    start();
    const auto ids = openColumns(3);
    ASSERT_EQ(strip()->focusedWindow(), ids[2]);
    ASSERT_EQ(scroll(), 715);
    takeLog();

    const double before = loop.now();
    desktop.focusWindow(ids[0]);
    settle();
    EXPECT_TRUE(logged(synced(ids[0], 0)));
    EXPECT_EQ(strip()->focusedWindow(), ids[0]);
    EXPECT_EQ(engine->state().activeKey, primaryUUID);
    EXPECT_EQ(scroll(), 0);  // revealed
    const auto& previous = engine->state().previousFocus;
    ASSERT_TRUE(previous.has_value());
    EXPECT_EQ(previous->window, ids[2]);
    EXPECT_EQ(previous->key, primaryUUID);
    EXPECT_GE(previous->time, before);
    EXPECT_LE(previous->time, before + 0.2);

    // Focus that the strip already has changes nothing.
    takeLog();
    engine->syncFocusFromSystem();
    settle();
    EXPECT_EQ(countLogged("focus synced to "), 0);
    EXPECT_EQ(engine->state().previousFocus->window, ids[2]);
}

TEST_F(Focus, TheBorderFollowsTheFocusedWindowWhileTheSettingIsOn) {
    prefs->setFocusBorder(true);
    start();
    const auto ids = openColumns(2);
    desktop.focusWindow(ids[0]);
    settle();
    ASSERT_TRUE(border.visible);
    EXPECT_EQ(border.shown->window, ids[0]);
    EXPECT_EQ(border.shown->frame, applied(ids[0]));
    EXPECT_EQ(border.shown->width, 3.0);

    prefs->setFocusBorder(false);
    engine->updateBorder();
    EXPECT_FALSE(border.visible);
}

TEST_F(Focus, InFocusModeAFocusChangeMorphsToTheNewWindow) {
    start();
    const auto ids = openColumns(3);
    engine->toggleFocusMode();
    settle();
    ASSERT_TRUE(engine->state().morphs.empty());
    const Rect focusRect{223, 78, 994, 770};  // 0.7 × 0.9 of the 1420 × 855 area, centred
    EXPECT_EQ(frameOf(ids[2]), focusRect);

    desktop.focusWindow(ids[0]);
    loop.drain();
    ASSERT_EQ(engine->state().morphs.count(primaryUUID), 1u);
    const Morph& morph = engine->state().morphs.at(primaryUUID);
    EXPECT_EQ(*morph.from.find(ids[2]), focusRect);
    EXPECT_EQ(morph.from.size(), 3u);
    EXPECT_DOUBLE_EQ(morph.duration, 0.24);

    settle();
    EXPECT_TRUE(engine->state().morphs.empty());
    EXPECT_EQ(frameOf(ids[0]), focusRect);
    EXPECT_EQ(frameOf(ids[2]).x, 1440 - 2);
}

TEST_F(Focus, TheNeighbourChosenAfterACloseWinsOverTheApplicationsChoice) {
    start();
    const auto ids = openColumns(3);
    // The application brings its most recent other window forward when the focused one closes.
    desktop.focusWindow(ids[0]);
    settle();
    desktop.focusWindow(ids[2]);
    settle();
    takeLog();

    desktop.closeWindow(ids[2]);
    settle();
    EXPECT_EQ(strip()->focusedWindow(), ids[1]);
    EXPECT_EQ(desktop.focusedWindow(), ids[1]);
    EXPECT_EQ(countLogged(synced(ids[0], 0)), 0);
    EXPECT_FALSE(engine->state().focusAfterClose.has_value());
}

}  // namespace tessarin::test
