#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/geometry.hpp"
#include "platform/accessibility.hpp"
#include "platform/window_server.hpp"

namespace tessarin {

class WebAccessibility;

// Whether the pointer rests on a slider, a scroll bar or a video player: a three-finger swipe
// there (with three-finger drag on) means scrubbing, not sliding the strip. Stateless and
// blocking; it runs on the swipe tap's probe queue, never on the main loop, and every call it
// makes is bounded by a short messaging timeout, a few levels up and a few nodes down.
namespace SliderHitTest {

// What the probe reads through.
struct Services {
    Accessibility& ax;
    WindowServer& windowServer;
    Pid ownPid = 0;  // this program: a point over one of its own windows is never a player
    // Asked to expose a browser's page when the hit lands on a page with nothing inside;
    // none: pages are taken as they come.
    WebAccessibility* web = nullptr;
};

// One element as read in a single call; any attribute missing or of the wrong kind leaves its
// field empty.
struct Node {
    AXElement element;
    std::string role;
    std::optional<Rect> frame;
    std::vector<AXElement> children;
    std::int64_t characters = 0;
    std::string label;            // title, a space, description, lower-cased
    std::string roleDescription;  // lower-cased
    std::string domID;
    std::vector<std::string> classes;
    std::optional<AXElement> parent;

    bool operator==(const Node&) const = default;
};

const std::set<std::string, std::less<>>& sliderRoles();
const std::set<std::string, std::less<>>& stopRoles();
const std::set<std::string, std::less<>>& playerClasses();

Node readNode(Accessibility& ax, const AXElement& element);
// Marked as a video player by the page: its role description, label, identifier or classes.
bool hasPlayerLabel(const Node& node);
// The bare surface a web video is drawn on: an empty group of a video's shape under `point`
// that does not fill the window.
bool isVideoSurface(const Node& node, Point point, const std::optional<Rect>& window);

// The reason the point counts as a slider or player ("slider (AXSlider)", "known video
// player", ...), or none. Points are global, top-left convention.
std::optional<std::string> classify(const Services& services, Point point);
// The same walk as a few lines for the log: the verdict, then the element and its ancestors.
std::string describe(const Services& services, Point point);
// The element under the point in another application's window.
std::optional<AXElement> element(const Services& services, Point point);
// The application whose window is under the point; menus and other overlays are looked
// through, this program's own windows are not.
std::optional<Pid> appUnder(const Services& services, Point point);

}  // namespace SliderHitTest

}  // namespace tessarin
