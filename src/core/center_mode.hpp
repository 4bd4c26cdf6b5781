#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tessarin {

// How the viewport follows the focused column.
enum class CenterMode { never, onOverflow, always };

inline constexpr std::array<CenterMode, 3> allCenterModes{CenterMode::never, CenterMode::onOverflow,
                                                          CenterMode::always};

constexpr std::string_view rawValue(CenterMode mode) {
    switch (mode) {
        case CenterMode::never:
            return "never";
        case CenterMode::onOverflow:
            return "onOverflow";
        case CenterMode::always:
            return "always";
    }
    return "never";
}

// None for anything but the three raw values.
constexpr std::optional<CenterMode> centerModeNamed(std::string_view name) {
    for (auto mode : allCenterModes)
        if (rawValue(mode) == name) return mode;
    return std::nullopt;
}

}  // namespace tessarin
