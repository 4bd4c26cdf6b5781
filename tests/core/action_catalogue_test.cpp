#include <gtest/gtest.h>

#include <set>

#include "core/action.hpp"

namespace tessarin {
namespace {

TEST(ActionCatalogue, NamesRoundTripAndAreMatchedExactly) {
    std::set<std::string_view> names;
    for (Action action : allActions()) {
        auto name = rawValue(action);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(actionNamed(name), action) << name;
        EXPECT_FALSE(title(action).empty()) << name;
    }
    EXPECT_EQ(names.size(), 40u);
    for (std::string_view bad :
         std::initializer_list<std::string_view>{"focusleft", "FocusLeft", " focusLeft", "focus10",
                                                 "", std::string_view("focus1\0x", 8)})
        EXPECT_EQ(actionNamed(bad), std::nullopt) << bad;
}

TEST(ActionCatalogue, SectionsAndIndicatorFollowTheCatalogue) {
    std::vector<std::string_view> move;
    int indicators = 0;
    for (Action action : allActions()) {
        if (group(action) == ActionGroup::move) move.push_back(rawValue(action));
        indicators += showsIndicator(action);
    }
    // sendToNextDisplay sits late in the catalogue but belongs to the move section.
    EXPECT_EQ(move,
              (std::vector<std::string_view>{"moveLeft", "moveRight", "moveUp", "moveDown",
                                             "moveToFirst", "moveToLast", "sendToNextDisplay"}));
    // All 22 focus and move actions, plus cycleWidth, fullWidth and center.
    EXPECT_EQ(indicators, 25);
    EXPECT_FALSE(showsIndicator(Action::cycleWidthBack));
    EXPECT_EQ(title(Action::focus4), "Jump to window 4");
}

}  // namespace
}  // namespace tessarin
