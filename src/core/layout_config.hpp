#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tessarin {

// How the viewport follows the focused column.
enum class CenterMode { never, onOverflow, always };

inline constexpr std::array<CenterMode, 3> allCenterModes = {
    CenterMode::never, CenterMode::onOverflow, CenterMode::always};

// The stored and displayed name of a mode.
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

// None for any string that is not exactly one of the raw values.
constexpr std::optional<CenterMode> centerModeFromString(std::string_view raw) {
    for (CenterMode mode : allCenterModes) {
        if (rawValue(mode) == raw) return mode;
    }
    return std::nullopt;
}

struct LayoutConfig {
    double gap = 10.0;  // between neighbouring columns and between stacked rows
    CenterMode centerMode = CenterMode::never;
    double peek = 2.0;  // points of an off-screen column left visible at the display's edge

    bool operator==(const LayoutConfig&) const = default;
};

}  // namespace tessarin
