#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "core/action.hpp"
#include "core/key_combo.hpp"

namespace tessarin {

// Key bindings: each action's shortcuts. An action with an empty list is unbound.
using Bindings = std::map<Action, std::vector<KeyCombo>>;

struct DefaultShortcuts {
    // The factory bindings relative to the base modifier mask `base`; every action but
    // `retile` is bound.
    static Bindings make(std::uint32_t base);
};

}  // namespace tessarin
