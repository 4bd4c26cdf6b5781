#include <gtest/gtest.h>

#include <set>

#include "core/action.hpp"

namespace tessarin {
namespace {

TEST(ActionCatalogue, EveryActionRoundTripsThroughItsRawName) {
    std::set<std::string_view> names;
    for (Action action : allActions()) {
        auto name = rawValue(action);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(actionNamed(name), action) << name;
    }
    EXPECT_EQ(names.size(), 40u);
}

TEST(ActionCatalogue, NamesAreMatchedExactly) {
    EXPECT_EQ(actionNamed("focusLeft"), Action::focusLeft);
    EXPECT_EQ(actionNamed("focusleft"), std::nullopt);
    EXPECT_EQ(actionNamed("FocusLeft"), std::nullopt);
    EXPECT_EQ(actionNamed(" focusLeft"), std::nullopt);
    EXPECT_EQ(actionNamed("focus10"), std::nullopt);
    EXPECT_EQ(actionNamed(""), std::nullopt);
    EXPECT_EQ(actionNamed(std::string_view("focus1\0x", 8)), std::nullopt);
}

TEST(ActionCatalogue, ListsActionsInCatalogueOrder) {
    const auto& actions = allActions();
    EXPECT_EQ(actions.front(), Action::focusLeft);
    EXPECT_EQ(rawValue(actions[6]), "focus1");
    EXPECT_EQ(rawValue(actions[14]), "focus9");
    EXPECT_EQ(rawValue(actions[15]), "moveLeft");
    EXPECT_EQ(rawValue(actions[35]), "sendToNextDisplay");
    EXPECT_EQ(rawValue(actions[38]), "retile");
    EXPECT_EQ(actions.back(), Action::focusMode);
}

TEST(ActionCatalogue, DigitJumpTitlesCarryTheirPosition) {
    EXPECT_EQ(title(Action::focus1), "Jump to window 1");
    EXPECT_EQ(title(Action::focus4), "Jump to window 4");
    EXPECT_EQ(title(Action::focus9), "Jump to window 9");
    EXPECT_EQ(title(Action::focusUp), "Focus window above (in a stack)");
    EXPECT_EQ(title(Action::toggleFloat), "Float / unfloat window");
    EXPECT_EQ(title(Action::focusMode), "Focus mode: one centered window");
    for (Action action : allActions())
        EXPECT_FALSE(title(action).empty()) << rawValue(action);
}

TEST(ActionCatalogue, GroupsInSettingsOrder) {
    std::vector<std::string_view> titles;
    for (auto g : allActionGroups())
        titles.push_back(title(g));
    EXPECT_EQ(titles, (std::vector<std::string_view>{"Move focus", "Move windows", "Size", "Stacks",
                                                     "Other"}));
    EXPECT_EQ(rawValue(ActionGroup::stacks), "Stacks");
}

TEST(ActionCatalogue, SectionsListTheirActionsInCatalogueOrder) {
    std::vector<std::string_view> move;
    std::map<ActionGroup, int> counts;
    for (Action action : allActions()) {
        ++counts[group(action)];
        if (group(action) == ActionGroup::move) move.push_back(rawValue(action));
    }
    // sendToNextDisplay sits late in the catalogue but belongs to the move section.
    EXPECT_EQ(move,
              (std::vector<std::string_view>{"moveLeft", "moveRight", "moveUp", "moveDown",
                                             "moveToFirst", "moveToLast", "sendToNextDisplay"}));
    EXPECT_EQ(counts[ActionGroup::focus], 15);
    EXPECT_EQ(counts[ActionGroup::size], 8);
    EXPECT_EQ(counts[ActionGroup::stacks], 5);
    EXPECT_EQ(counts[ActionGroup::other], 5);
}

TEST(ActionCatalogue, IndicatorFlagsFollowTheCatalogue) {
    std::vector<std::string_view> showing;
    for (Action action : allActions())
        if (showsIndicator(action)) showing.push_back(rawValue(action));
    // All 22 focus and move actions, plus cycleWidth, fullWidth and center.
    EXPECT_EQ(showing.size(), 25u);
    EXPECT_TRUE(showsIndicator(Action::cycleWidth));
    EXPECT_FALSE(showsIndicator(Action::cycleWidthBack));
    EXPECT_TRUE(showsIndicator(Action::sendToNextDisplay));
    EXPECT_FALSE(showsIndicator(Action::showOverview));
    EXPECT_FALSE(showsIndicator(Action::focusMode));
}

}  // namespace
}  // namespace tessarin
