#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "platform/accessibility.hpp"

namespace tessarin {

// One entry of the window server's list, front to back.
struct WindowInfo {
    std::optional<WindowID> number;
    std::optional<Pid> ownerPid;
    std::optional<Rect> bounds;  // top-left convention
    std::optional<std::int64_t> layer;
    std::optional<double> alpha;
    std::optional<std::string> ownerName;

    bool operator==(const WindowInfo&) const = default;
};

class WindowServer {
  public:
    virtual ~WindowServer() = default;
    // Windows in front-to-back order. `onScreenOnly` leaves out windows that are minimised,
    // hidden or on another workspace; desktop elements are always left out. None when the list
    // cannot be read.
    virtual std::optional<std::vector<WindowInfo>> windowList(bool onScreenOnly) = 0;
};

}  // namespace tessarin
