#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "platform/accessibility.hpp"
#include "platform/ax_names.hpp"
#include "platform/workspace.hpp"

namespace tessarin::sim {

// The desktop's own windows (a menu bar on every display) belong to this process. They are in the
// window server's list, as on a real desktop, but no application owns them: nothing can manage
// them. Their numbers are far above any window an application opens.
inline constexpr Pid kWindowServerPid = 88;
inline constexpr WindowID kMenuBarNumberBase = 0xFFFF0000u;
inline constexpr std::int64_t kMenuBarLayer = 24;

// A display to plug in. Frames are in the top-left convention of the global space; the first
// display (the primary) sits with its top-left corner at the origin.
struct DisplaySetup {
    std::optional<std::string> uuid;  // none: the system gives this display no identity
    std::string name = "Display";
    Rect frame;
    // Default: the frame less a 25-point menu bar at the top.
    std::optional<Rect> visibleFrame;
    int refreshRate = 60;
    bool hasNumber = true;  // false: the toolkit reports no screen number
    bool primary = false;   // plug in front of the others, as the new primary

    bool operator==(const DisplaySetup&) const = default;
};

struct AppSetup {
    std::optional<std::string> bundleID;
    std::optional<std::string> name;
    ActivationPolicy policy = ActivationPolicy::regular;
    std::string icon;
    bool activate = false;  // become the frontmost application at launch
};

// Ways a window misbehaves when written to.
struct WindowFaults {
    // The application keeps the window inside the visible frame of its display: a size write
    // is cut at the right and bottom edges, a position write never puts the top above it.
    bool clampsToScreen = false;
    // After each position write the window settles this far from where it was put.
    std::optional<Point> movesItself;

    bool operator==(const WindowFaults&) const = default;
};

struct WindowSetup {
    std::string title;
    Rect frame{100, 100, 800, 600};
    std::optional<std::string> role = std::string(AXName::windowRole);
    std::optional<std::string> subrole = std::string(AXName::standardWindow);
    Size minimumSize{0, 0};
    bool fixedSize = false;  // "AXSize" is not settable
    bool minimized = false;
    bool fullScreen = false;
    std::optional<int> workspace;  // none: the current one
    std::int64_t layer = 0;
    bool focus = true;  // becomes its application's focused window
    WindowFaults faults;
};

// An element inside a window (a slider, a page's video, a player's controls), for hit tests.
// Attributes left absent have no value; children are added in order, the last one in front.
struct ElementSetup {
    std::string role;
    Rect frame;
    std::optional<std::string> subrole;
    std::optional<std::string> title;
    std::optional<std::string> description;
    std::optional<std::string> roleDescription;
    std::optional<std::string> domIdentifier;
    std::optional<std::vector<std::string>> domClasses;
    std::optional<double> characters;
    std::vector<ElementSetup> children;
};

// How calls on a hung application behave.
enum class HangMode {
    none,
    // Each call spends its messaging timeout on the sim's clock and fails at once: for
    // single-threaded tests.
    timeOutAtOnce,
    // Each call really blocks its thread until the test releases it (then it fails as timed
    // out, spending the timeout) or the application recovers (then it goes through).
    block,
};

// One attribute write as the sim received it.
struct AttributeWrite {
    AXElement element;
    std::optional<WindowID> window;  // the window the element belongs to, if any
    std::string attribute;
    AXValue value;
    double time = 0;  // the sim's clock when the write arrived
    AXError result = AXError::success;

    bool operator==(const AttributeWrite&) const = default;
};

// What a test can see of one window.
struct WindowSnapshot {
    WindowID number = 0;
    Pid pid = 0;
    AXElement element;
    std::string title;
    Rect frame;
    bool minimized = false;
    bool fullScreen = false;
    int workspace = 1;

    bool operator==(const WindowSnapshot&) const = default;
};

// Short forms for the common cases; set further fields on the result.
inline DisplaySetup makeDisplay(std::optional<std::string> uuid, Rect frame,
                                std::string name = "Display") {
    DisplaySetup setup;
    setup.uuid = std::move(uuid);
    setup.frame = frame;
    setup.name = std::move(name);
    return setup;
}

inline AppSetup makeApp(std::optional<std::string> bundleID, std::optional<std::string> name,
                        bool activate = true) {
    AppSetup setup;
    setup.bundleID = std::move(bundleID);
    setup.name = std::move(name);
    setup.activate = activate;
    return setup;
}

inline WindowSetup makeWindow(std::string title, Rect frame) {
    WindowSetup setup;
    setup.title = std::move(title);
    setup.frame = frame;
    return setup;
}

// The messaging timeout a call gets when none was set on its element.
inline constexpr double kDefaultMessagingTimeout = 6.0;

}  // namespace tessarin::sim
