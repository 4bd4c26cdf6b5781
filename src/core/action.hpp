#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// Every user command. The declaration order is the catalogue order used wherever actions are
// listed; the raw names are stable because stored bindings and URL commands use them.
enum class Action {
    focusLeft,
    focusRight,
    focusUp,
    focusDown,
    focusFirst,
    focusLast,
    focus1,
    focus2,
    focus3,
    focus4,
    focus5,
    focus6,
    focus7,
    focus8,
    focus9,
    moveLeft,
    moveRight,
    moveUp,
    moveDown,
    moveToFirst,
    moveToLast,
    cycleWidth,
    cycleWidthBack,
    wider,
    narrower,
    fullWidth,
    center,
    taller,
    shorter,
    equalizeHeights,
    stackLeft,
    stackRight,
    popOutLeft,
    popOutRight,
    toggleFloat,
    sendToNextDisplay,
    showOverview,
    toggleTiling,
    retile,
    focusMode,
};

inline constexpr std::size_t actionCount = 40;

// The section of the settings window that lists an action; the raw value is also its title.
enum class ActionGroup { focus, move, size, stacks, other };

inline constexpr std::size_t actionGroupCount = 5;

// Every action in catalogue order.
const std::array<Action, actionCount>& allActions();
// Every group in the order the settings window shows them.
const std::array<ActionGroup, actionGroupCount>& allActionGroups();

std::string_view rawValue(Action action);
// None for anything but one of the 40 names, compared exactly.
std::optional<Action> actionNamed(std::string_view name);
std::string title(Action action);
ActionGroup group(Action action);
// Whether running the action flashes the strip overview.
bool showsIndicator(Action action);

std::string_view rawValue(ActionGroup group);
std::string_view title(ActionGroup group);

}  // namespace tessarin
