#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/default_shortcuts.hpp"

namespace tessarin {

// The stored form of key bindings: JSON text of an object from action raw names to arrays of
// {"keyCode", "modifiers"} objects.
struct BindingsCodec {
    // None unless the whole text is such an object: every value an array of valid combos
    // (key codes up to 0xFFFF, 32-bit masks), whatever the names. Names that are no action
    // are left out of the result.
    static std::optional<Bindings> decode(std::string_view text);
    // None when a combo holds a key code that must not be stored.
    static std::optional<std::string> encode(const Bindings& bindings);
};

}  // namespace tessarin
