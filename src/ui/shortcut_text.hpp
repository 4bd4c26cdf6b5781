#pragma once

#include <optional>
#include <string>

#include "core/action.hpp"
#include "core/default_shortcuts.hpp"
#include "core/keyboard_layout.hpp"

namespace tessarin {

// The display text of the first combination bound to `action`, labelled by `layout` (the US
// layout when none is given); none when the action is unbound.
std::optional<std::string> firstShortcutText(const Bindings& bindings, Action action,
                                             const KeyboardLayout* layout);

}  // namespace tessarin
