#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessarin {

// The user's current keyboard layout, asked only for key labels: the text a key types with no
// modifiers held.
class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;

    // UTF-8 text of the key, not yet upper-cased; none or empty when the layout has nothing.
    virtual std::optional<std::string> character(std::uint16_t keyCode) const = 0;
};

// The US layout over the virtual key codes of an ANSI keyboard, for the simulated desktop and
// for tests.
class UsKeyboardLayout : public KeyboardLayout {
  public:
    std::optional<std::string> character(std::uint16_t keyCode) const override;
};

}  // namespace tessarin
