#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "platform/pointer.hpp"
#include "platform/screens.hpp"
#include "platform/window_server.hpp"
#include "system/display.hpp"

namespace tessarin {

// The displays, the pointer's display and the window server's view of windows. Every rectangle
// and point it hands out is in the top-left convention. The members read the system each time
// and keep nothing; the static operations are pure.
class Displays {
  public:
    Displays(Screens& screens, Pointer& pointer, WindowServer& windowServer)
        : screens_(screens), pointer_(pointer), windowServer_(windowServer) {}

    // The displays in the system's order, the primary one first.
    std::vector<Display> current() const;
    // Converts between the bottom-left and top-left conventions about the primary screen.
    Rect flip(const Rect& rect) const;
    // The display under the pointer, else the first one; none only for an empty list.
    std::optional<Display> underMouse(const std::vector<Display>& displays) const;
    // Numbers of the windows really on screen. Empty when the list cannot be read, which callers
    // must treat as unknown rather than as an empty desktop.
    std::set<WindowID> onScreenWindowIDs() const;
    // The window server's bounds of on-screen windows; a later entry for a number wins.
    std::map<WindowID, Rect> windowServerFrames() const;

    // Screens that have a number, as displays; `primaryHeight` comes from the first screen.
    static std::vector<Display> fromScreens(const std::vector<ScreenInfo>& screens);
    // The height of the first screen's frame, 0 without screens: the axis of every flip.
    static double primaryHeight(const std::vector<ScreenInfo>& screens);
    static Rect flip(const Rect& rect, double primaryHeight);
    // The display holding the rectangle's mid-point, else the one it overlaps most (the earliest
    // on ties or no overlap at all); none only for an empty list.
    static std::optional<Display> containing(const Rect& rect,
                                             const std::vector<Display>& displays);
    // The first display whose frame, grown by 1 point on every side, holds the top-left
    // convention point; else the first display.
    static std::optional<Display> at(Point point, const std::vector<Display>& displays);

  private:
    Screens& screens_;
    Pointer& pointer_;
    WindowServer& windowServer_;
};

}  // namespace tessarin
