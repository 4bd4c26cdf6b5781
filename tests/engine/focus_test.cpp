#include <string>
#include <variant>

#include "engine_fixture.hpp"

namespace tessarin::test {

class Focus : public EngineTest {
  protected:
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

TEST_F(Focus, FocusingAWindowRaisesItActivatesItsApplicationUnlessFrontmostAndMayMoveThePointer) {
    const auto editor = startWithColumns(2);
    const Pid mail = launch("com.example.mail", "Mail");
    openSettled(mail, "Inbox");
    ASSERT_EQ(workspace.frontmostApplication()->pid, mail);

    desktop.clearWrites();
    workspace.activations.clear();
    engine->perform(Action::focusFirst);
    EXPECT_EQ(trueWrites("AXFrontmost"), (std::vector<AXElement>{AXElement{app, 0}}));
    EXPECT_EQ(trueWrites("AXMain"), (std::vector<AXElement>{*desktop.element(editor[0])}));
    EXPECT_EQ(workspace.activations, (std::vector<Pid>{app}));
    settle();
    EXPECT_EQ(desktop.focusedWindow(), editor[0]);

    // Already frontmost: the window is raised, the application not activated again.
    desktop.clearWrites();
    workspace.activations.clear();
    engine->perform(Action::focusRight);
    EXPECT_EQ(trueWrites("AXMain"), (std::vector<AXElement>{*desktop.element(editor[1])}));
    EXPECT_TRUE(workspace.activations.empty());
    settle();
    EXPECT_EQ(desktop.focusedWindow(), editor[1]);
    EXPECT_TRUE(desktop.warps().empty());

    // With the setting on, the pointer follows to the centre of the window's frame.
    prefs->setMouseFollowsFocus(true);
    engine->perform(Action::focusLeft);
    ASSERT_FALSE(desktop.warps().empty());
    EXPECT_EQ(desktop.warps().back(), applied(editor[0]).value_or(Rect{}).center());
    EXPECT_EQ(desktop.warps().back(), (Point{10 + 705 / 2.0, 35 + 855 / 2.0}));
}

TEST_F(Focus, AUsersFocusChangeMovesTheStripsFocusAndTheBorderFollows) {
    prefs->setFocusBorder(true);
    const auto ids = startWithColumns(3);
    ASSERT_EQ(strip()->focusedWindow(), ids[2]);
    ASSERT_EQ(scroll(), 715);
    takeLog();

    desktop.focusWindow(ids[0]);
    settle();
    EXPECT_TRUE(logged(synced(ids[0], 0)));
    EXPECT_EQ(strip()->focusedWindow(), ids[0]);
    EXPECT_EQ(view().activeKey(), primaryUUID);
    EXPECT_EQ(scroll(), 0);  // revealed
    ASSERT_TRUE(border.visible);
    EXPECT_EQ(border.shown->window, ids[0]);
    EXPECT_EQ(border.shown->frame, applied(ids[0]));
    EXPECT_EQ(border.shown->width, 3.0);

    // Focus that the strip already has changes nothing.
    takeLog();
    desktop.focusWindow(ids[0]);
    settle();
    EXPECT_EQ(countLogged("focus synced to "), 0);

    prefs->setFocusBorder(false);
    engine->perform(Action::focusRight);
    EXPECT_FALSE(border.visible);
}

TEST_F(Focus, InFocusModeAFocusChangeMorphsToTheNewWindow) {
    const auto ids = startWithColumns(3);
    engine->perform(Action::focusMode);
    settle();
    ASSERT_TRUE((view().morph(primaryUUID) == nullptr));
    const Rect focusRect{223, 78, 994, 770};  // 0.7 × 0.9 of the 1420 × 855 area, centred
    EXPECT_EQ(frameOf(ids[2]), focusRect);

    desktop.focusWindow(ids[0]);
    loop.drain();
    ASSERT_EQ((view().morph(primaryUUID) != nullptr ? 1u : 0u), 1u);
    const Morph& morph = (*view().morph(primaryUUID));
    EXPECT_EQ(*morph.from.find(ids[2]), focusRect);
    EXPECT_EQ(morph.from.size(), 3u);
    EXPECT_DOUBLE_EQ(morph.duration, 0.24);

    settle();
    EXPECT_TRUE((view().morph(primaryUUID) == nullptr));
    EXPECT_EQ(frameOf(ids[0]), focusRect);
    EXPECT_EQ(frameOf(ids[2]).x, 1440 - 2);
}

}  // namespace tessarin::test
