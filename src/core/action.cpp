#include "core/action.hpp"

namespace tessarin {

namespace {

struct ActionInfo {
    Action action;
    std::string_view name;
    std::string_view title;  // empty for focus1 ... focus9, whose title is built
    ActionGroup group;
    bool showsIndicator;
};

using G = ActionGroup;

// clang-format off
constexpr std::array<ActionInfo, actionCount> catalogue{{
    {Action::focusLeft, "focusLeft", "Focus window on the left", G::focus, true},
    {Action::focusRight, "focusRight", "Focus window on the right", G::focus, true},
    {Action::focusUp, "focusUp", "Focus window above (in a stack)", G::focus, true},
    {Action::focusDown, "focusDown", "Focus window below (in a stack)", G::focus, true},
    {Action::focusFirst, "focusFirst", "Focus first window", G::focus, true},
    {Action::focusLast, "focusLast", "Focus last window", G::focus, true},
    {Action::focus1, "focus1", "", G::focus, true},
    {Action::focus2, "focus2", "", G::focus, true},
    {Action::focus3, "focus3", "", G::focus, true},
    {Action::focus4, "focus4", "", G::focus, true},
    {Action::focus5, "focus5", "", G::focus, true},
    {Action::focus6, "focus6", "", G::focus, true},
    {Action::focus7, "focus7", "", G::focus, true},
    {Action::focus8, "focus8", "", G::focus, true},
    {Action::focus9, "focus9", "", G::focus, true},
    {Action::moveLeft, "moveLeft", "Move window left", G::move, true},
    {Action::moveRight, "moveRight", "Move window right", G::move, true},
    {Action::moveUp, "moveUp", "Move window up in stack", G::move, true},
    {Action::moveDown, "moveDown", "Move window down in stack", G::move, true},
    {Action::moveToFirst, "moveToFirst", "Move window to the start", G::move, true},
    {Action::moveToLast, "moveToLast", "Move window to the end", G::move, true},
    {Action::cycleWidth, "cycleWidth", "Cycle width presets", G::size, true},
    {Action::cycleWidthBack, "cycleWidthBack", "Cycle width presets backwards", G::size, false},
    {Action::wider, "wider", "Make wider", G::size, false},
    {Action::narrower, "narrower", "Make narrower", G::size, false},
    {Action::fullWidth, "fullWidth", "Toggle full width", G::size, true},
    {Action::center, "center", "Center window on screen", G::size, true},
    {Action::taller, "taller", "Make taller (in a stack)", G::size, false},
    {Action::shorter, "shorter", "Make shorter (in a stack)", G::size, false},
    {Action::equalizeHeights, "equalizeHeights", "Equalize stack heights", G::stacks, false},
    {Action::stackLeft, "stackLeft", "Stack into the left column", G::stacks, false},
    {Action::stackRight, "stackRight", "Stack into the right column", G::stacks, false},
    {Action::popOutLeft, "popOutLeft", "Pop out of stack to the left", G::stacks, false},
    {Action::popOutRight, "popOutRight", "Pop out of stack to the right", G::stacks, false},
    {Action::toggleFloat, "toggleFloat", "Float / unfloat window", G::other, false},
    {Action::sendToNextDisplay, "sendToNextDisplay", "Send window to next display", G::move, true},
    {Action::showOverview, "showOverview", "Show strip overview", G::other, false},
    {Action::toggleTiling, "toggleTiling", "Pause / resume tiling", G::other, false},
    {Action::retile, "retile", "Re-arrange all windows", G::other, false},
    {Action::focusMode, "focusMode", "Focus mode: one centered window", G::other, false},
}};
// clang-format on

constexpr bool catalogueInDeclarationOrder() {
    for (std::size_t i = 0; i < catalogue.size(); ++i)
        if (static_cast<std::size_t>(catalogue[i].action) != i) return false;
    return true;
}
static_assert(catalogueInDeclarationOrder(), "catalogue rows must follow the enum order");

const ActionInfo& info(Action action) {
    return catalogue[static_cast<std::size_t>(action)];
}

}  // namespace

const std::array<Action, actionCount>& allActions() {
    static const std::array<Action, actionCount> actions = [] {
        std::array<Action, actionCount> result{};
        for (std::size_t i = 0; i < actionCount; ++i)
            result[i] = catalogue[i].action;
        return result;
    }();
    return actions;
}

const std::array<ActionGroup, actionGroupCount>& allActionGroups() {
    static const std::array<ActionGroup, actionGroupCount> groups{
        ActionGroup::focus, ActionGroup::move, ActionGroup::size, ActionGroup::stacks,
        ActionGroup::other};
    return groups;
}

std::string_view rawValue(Action action) {
    return info(action).name;
}

std::optional<Action> actionNamed(std::string_view name) {
    for (const auto& row : catalogue)
        if (row.name == name) return row.action;
    return std::nullopt;
}

std::string title(Action action) {
    if (action >= Action::focus1 && action <= Action::focus9) {
        int position = static_cast<int>(action) - static_cast<int>(Action::focus1) + 1;
        return "Jump to window " + std::to_string(position);
    }
    return std::string(info(action).title);
}

ActionGroup group(Action action) {
    return info(action).group;
}

bool showsIndicator(Action action) {
    return info(action).showsIndicator;
}

std::string_view rawValue(ActionGroup group) {
    return title(group);
}

std::string_view title(ActionGroup group) {
    switch (group) {
        case ActionGroup::focus:
            return "Move focus";
        case ActionGroup::move:
            return "Move windows";
        case ActionGroup::size:
            return "Size";
        case ActionGroup::stacks:
            return "Stacks";
        case ActionGroup::other:
            return "Other";
    }
    return "Other";
}

}  // namespace tessarin
