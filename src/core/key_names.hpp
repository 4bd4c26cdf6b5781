#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessarin {

class KeyboardLayout;

// Short labels of virtual key codes for menus and settings.
struct KeyNames {
    // The fixed label of a special key, else the layout's text upper-cased, else "#" and the
    // number. `layout` may be null when no layout is available.
    static std::string name(std::uint32_t keyCode, const KeyboardLayout* layout);
};

// Upper case of UTF-8 text for the scripts keyboard layouts commonly type (Latin, Greek,
// Cyrillic); other characters and malformed bytes pass through unchanged.
std::string upperCased(std::string_view text);

}  // namespace tessarin
