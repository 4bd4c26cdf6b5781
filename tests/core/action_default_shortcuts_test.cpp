#include <gtest/gtest.h>

#include <unordered_map>

#include "core/default_shortcuts.hpp"

namespace tessarin {
namespace {

constexpr std::uint32_t cmd = ModifierMask::command;
constexpr std::uint32_t shift = ModifierMask::shift;

TEST(DefaultShortcuts, BindEveryActionButRetileUnderEveryBase) {
    for (std::uint32_t base : {0x1800u, 0x900u, 0u, 0x1B00u}) {
        auto map = DefaultShortcuts::make(base);
        EXPECT_EQ(map.size(), 39u);
        EXPECT_FALSE(map.contains(Action::retile));
        EXPECT_EQ(map[Action::moveDown].size(), 2u);
        for (const auto& [action, combos] : map) {
            EXPECT_FALSE(combos.empty()) << rawValue(action);
            for (const auto& combo : combos)
                EXPECT_EQ(combo.modifiers & base, base) << rawValue(action);
        }
    }
    const std::uint32_t b = 0x1800;
    auto map = DefaultShortcuts::make(b);
    EXPECT_EQ(map[Action::moveDown], (std::vector<KeyCombo>{{125, b | shift}, {38, b | shift}}));
    EXPECT_EQ(map[Action::moveToFirst], (std::vector<KeyCombo>{{123, b | cmd | shift}}));
    EXPECT_EQ(map[Action::focus6], (std::vector<KeyCombo>{{22, b}}));
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
