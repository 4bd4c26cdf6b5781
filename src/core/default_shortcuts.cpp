#include "core/default_shortcuts.hpp"

#include <array>

namespace tessarin {

namespace {

// Virtual key codes of the keys the factory bindings use.
namespace Key {
constexpr std::uint32_t h = 4, z = 6, c = 8, f = 3, r = 15, t = 17, q = 12, n = 45;
constexpr std::uint32_t j = 38, k = 40, l = 37, zero = 29, equal = 24, minus = 27;
constexpr std::uint32_t leftBracket = 33, rightBracket = 30, space = 49;
constexpr std::uint32_t left = 123, right = 124, down = 125, up = 126;
}  // namespace Key

constexpr std::array<std::uint32_t, 9> digitKeys{18, 19, 20, 21, 23, 22, 26, 28, 25};

}  // namespace

Bindings DefaultShortcuts::make(std::uint32_t base) {
    const std::uint32_t b = base;
    const std::uint32_t cmd = base | ModifierMask::command;
    const std::uint32_t shift = base | ModifierMask::shift;
    const std::uint32_t cmdShift = base | ModifierMask::command | ModifierMask::shift;
    auto one = [](std::uint32_t key, std::uint32_t mods) {
        return std::vector<KeyCombo>{{key, mods}};
    };
    auto two = [](std::uint32_t key1, std::uint32_t key2, std::uint32_t mods) {
        return std::vector<KeyCombo>{{key1, mods}, {key2, mods}};
    };

    Bindings map{
        {Action::focusLeft, two(Key::left, Key::h, b)},
        {Action::focusRight, two(Key::right, Key::l, b)},
        {Action::focusUp, two(Key::up, Key::k, b)},
        {Action::focusDown, two(Key::down, Key::j, b)},
        {Action::focusFirst, one(Key::left, cmd)},
        {Action::focusLast, one(Key::right, cmd)},
        {Action::moveLeft, two(Key::left, Key::h, shift)},
        {Action::moveRight, two(Key::right, Key::l, shift)},
        {Action::moveUp, two(Key::up, Key::k, shift)},
        {Action::moveDown, two(Key::down, Key::j, shift)},
        {Action::moveToFirst, one(Key::left, cmdShift)},
        {Action::moveToLast, one(Key::right, cmdShift)},
        {Action::cycleWidth, one(Key::r, b)},
        {Action::cycleWidthBack, one(Key::r, shift)},
        {Action::wider, one(Key::equal, b)},
        {Action::narrower, one(Key::minus, b)},
        {Action::taller, one(Key::equal, shift)},
        {Action::shorter, one(Key::minus, shift)},
        {Action::equalizeHeights, one(Key::zero, b)},
        {Action::fullWidth, one(Key::f, b)},
        {Action::center, one(Key::c, b)},
        {Action::stackLeft, one(Key::leftBracket, b)},
        {Action::stackRight, one(Key::rightBracket, b)},
        {Action::popOutLeft, one(Key::leftBracket, shift)},
        {Action::popOutRight, one(Key::rightBracket, shift)},
        {Action::toggleFloat, one(Key::t, b)},
        {Action::sendToNextDisplay, one(Key::n, b)},
        {Action::showOverview, one(Key::space, b)},
        {Action::toggleTiling, one(Key::q, b)},
        {Action::focusMode, one(Key::z, b)},
    };
    for (std::size_t i = 0; i < digitKeys.size(); ++i) {
        auto action = static_cast<Action>(static_cast<std::size_t>(Action::focus1) + i);
        map[action] = one(digitKeys[i], b);
    }
    return map;
}

}  // namespace tessarin
