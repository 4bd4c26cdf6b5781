#include <gtest/gtest.h>

#include <unordered_map>

#include "core/default_shortcuts.hpp"

namespace tessarin {
namespace {

constexpr std::uint32_t cmd = ModifierMask::command;
constexpr std::uint32_t shift = ModifierMask::shift;

TEST(DefaultShortcuts, BindEveryActionButRetile) {
    for (std::uint32_t base : {0x1800u, 0x900u, 0u, 0x1B00u}) {
        auto map = DefaultShortcuts::make(base);
        EXPECT_EQ(map.size(), 39u);
        EXPECT_FALSE(map.contains(Action::retile));
        for (Action action :
             {Action::focusLeft, Action::focusRight, Action::focusUp, Action::focusDown,
              Action::moveLeft, Action::moveRight, Action::moveUp, Action::moveDown})
            EXPECT_EQ(map[action].size(), 2u) << rawValue(action);
        for (const auto& [action, combos] : map) {
            EXPECT_FALSE(combos.empty()) << rawValue(action);
            for (const auto& combo : combos)
                EXPECT_EQ(combo.modifiers & base, base) << rawValue(action);
        }
    }
}

TEST(DefaultShortcuts, CombosForControlOption) {
    const std::uint32_t b = 0x1800;
    auto map = DefaultShortcuts::make(b);
    EXPECT_EQ(map[Action::focusLeft], (std::vector<KeyCombo>{{123, b}, {4, b}}));
    EXPECT_EQ(map[Action::moveDown], (std::vector<KeyCombo>{{125, b | shift}, {38, b | shift}}));
    EXPECT_EQ(map[Action::focusLast], (std::vector<KeyCombo>{{124, b | cmd}}));
    EXPECT_EQ(map[Action::moveToFirst], (std::vector<KeyCombo>{{123, b | cmd | shift}}));
    EXPECT_EQ(map[Action::taller], (std::vector<KeyCombo>{{24, b | shift}}));
    EXPECT_EQ(map[Action::popOutRight], (std::vector<KeyCombo>{{30, b | shift}}));
    EXPECT_EQ(map[Action::showOverview], (std::vector<KeyCombo>{{49, b}}));
    EXPECT_EQ(map[Action::focusMode], (std::vector<KeyCombo>{{6, b}}));
    const std::uint32_t digits[] = {18, 19, 20, 21, 23, 22, 26, 28, 25};
    for (int i = 0; i < 9; ++i) {
        auto action = static_cast<Action>(static_cast<int>(Action::focus1) + i);
        EXPECT_EQ(map[action], (std::vector<KeyCombo>{{digits[i], b}})) << i;
    }
}

TEST(DefaultShortcuts, NoTwoActionsShareAComboUnderADistinctBase) {
    std::unordered_map<KeyCombo, Action> owner;
    for (const auto& [action, combos] : DefaultShortcuts::make(0x1800)) {
        for (const auto& combo : combos) {
            auto [it, inserted] = owner.emplace(combo, action);
            EXPECT_TRUE(inserted) << rawValue(action) << " clashes with " << rawValue(it->second);
        }
    }
}

TEST(DefaultShortcuts, ModifierAlreadyInTheBaseIsNotAddedTwice) {
    // With command in the base, focusFirst (B⌘ ←) equals focusLeft's arrow combo.
    auto map = DefaultShortcuts::make(cmd | shift);
    EXPECT_EQ(map[Action::focusFirst].front(), map[Action::focusLeft].front());
    EXPECT_EQ(map[Action::moveToLast].front(), (KeyCombo{124, cmd | shift}));
}

}  // namespace
}  // namespace tessarin
