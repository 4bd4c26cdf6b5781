#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "core/modifier_mask.hpp"

namespace tessarin {

class KeyboardLayout;

// Modifier bits of a key event as the toolkit reports them.
namespace EventFlag {
inline constexpr std::uint64_t capsLock = 1ull << 16;
inline constexpr std::uint64_t shift = 1ull << 17;
inline constexpr std::uint64_t control = 1ull << 18;
inline constexpr std::uint64_t option = 1ull << 19;
inline constexpr std::uint64_t command = 1ull << 20;
inline constexpr std::uint64_t numericPad = 1ull << 21;
inline constexpr std::uint64_t help = 1ull << 22;
inline constexpr std::uint64_t function = 1ull << 23;
}  // namespace EventFlag

// Largest key code a combo may hold: the recorder only produces 16-bit codes.
inline constexpr std::uint32_t maxKeyCode = 0xFFFF;

// A shortcut: a virtual key code plus a modifier mask.
struct KeyCombo {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;

    // Keeps control, option, shift and command of the event flags and drops every other flag.
    static KeyCombo fromEvent(std::uint16_t keyCode, std::uint64_t flags);

    // Modifier symbols in the order control, option, shift, command, then the key's label.
    std::string display(const KeyboardLayout* layout) const;

    // {"keyCode": n, "modifiers": n}.
    nlohmann::json toJson() const;
    // None unless both fields are present integers in range (key code at most 0xFFFF, mask
    // 32-bit).
    static std::optional<KeyCombo> fromJson(const nlohmann::json& json);

    bool operator==(const KeyCombo&) const = default;
};

}  // namespace tessarin

template <>
struct std::hash<tessarin::KeyCombo> {
    std::size_t operator()(const tessarin::KeyCombo& combo) const noexcept {
        return std::hash<std::uint64_t>{}((std::uint64_t{combo.keyCode} << 32) | combo.modifiers);
    }
};
