#include <gtest/gtest.h>

#include <set>
#include <unordered_map>

#include "core/action.hpp"
#include "core/default_shortcuts.hpp"

namespace tessarin {
namespace {

constexpr std::uint32_t cmd = ModifierMask::command;
constexpr std::uint32_t shift = ModifierMask::shift;

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

// Under a base without command or shift no two actions share a combo; with command in the base,
// it is not added twice, so focusFirst (B⌘ ←) equals focusLeft's arrow combo.
TEST(DefaultShortcuts, BindEveryActionButRetileUnderEveryBaseWithoutClashes) {
    for (std::uint32_t base : {0x1800u, 0x900u, 0u, 0x1B00u}) {
        auto map = DefaultShortcuts::make(base);
        EXPECT_EQ(map.size(), 39u);
        EXPECT_FALSE(map.contains(Action::retile));
        EXPECT_EQ(map[Action::moveDown].size(), 2u);
        std::unordered_map<KeyCombo, Action> owner;
        for (const auto& [action, combos] : map) {
            EXPECT_FALSE(combos.empty()) << rawValue(action);
            for (const auto& combo : combos) {
                EXPECT_EQ(combo.modifiers & base, base) << rawValue(action);
                auto [it, inserted] = owner.emplace(combo, action);
                EXPECT_TRUE(inserted || (base & (cmd | shift)))
                    << rawValue(action) << " clashes with " << rawValue(it->second);
            }
        }
    }
    const std::uint32_t b = 0x1800;
    auto map = DefaultShortcuts::make(b);
    EXPECT_EQ(map[Action::moveDown], (std::vector<KeyCombo>{{125, b | shift}, {38, b | shift}}));
    EXPECT_EQ(map[Action::moveToFirst], (std::vector<KeyCombo>{{123, b | cmd | shift}}));
    EXPECT_EQ(map[Action::focus6], (std::vector<KeyCombo>{{22, b}}));

    map = DefaultShortcuts::make(cmd | shift);
    EXPECT_EQ(map[Action::focusFirst].front(), map[Action::focusLeft].front());
    EXPECT_EQ(map[Action::moveToLast].front(), (KeyCombo{124, cmd | shift}));
}

}  // namespace
}  // namespace tessarin
