#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"

namespace tessarin {

// A screen as the user-interface toolkit describes it. Frames are in the bottom-left
// convention: origin at the bottom-left corner of the primary screen, y growing upward.
struct ScreenInfo {
    std::optional<std::uint32_t> number;  // absent when the screen has no number
    std::optional<std::string> uuid;      // persistent identity; absent when the system has none
    std::string name;
    Rect frame;
    Rect visibleFrame;  // less the menu bar and dock, or the panels' struts
    int maximumFramesPerSecond = 60;

    bool operator==(const ScreenInfo&) const = default;
};

class Screens {
  public:
    virtual ~Screens() = default;
    // In the system's order: the first is the primary screen.
    virtual std::vector<ScreenInfo> screens() = 0;
};

}  // namespace tessarin
