#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"

namespace tessarin {

using Pid = std::int32_t;

// The accessibility interface's result codes. Failures are values, never exceptions.
enum class AXError : std::int32_t {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    invalidUIElementObserver = -25203,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    notificationUnsupported = -25207,
    notImplemented = -25208,
    notificationAlreadyRegistered = -25209,
    notificationNotRegistered = -25210,
    apiDisabled = -25211,
    noValue = -25212,
    parameterizedAttributeUnsupported = -25213,
    notEnoughPrecision = -25214,
};

inline std::int32_t code(AXError error) {
    return static_cast<std::int32_t>(error);
}

// A handle on one accessibility element of one process: an application (`ref` 0), a window or
// any element inside one. It is a plain value: two handles are the same element when equal.
// The backend gives `ref` its meaning; it is safe to copy across threads.
struct AXElement {
    Pid pid = 0;
    std::uint64_t ref = 0;

    bool isApplication() const { return ref == 0; }
    bool operator==(const AXElement&) const = default;
};

// An attribute value: the kinds the system reads and writes.
using AXValue = std::variant<bool, double, std::string, Point, Size, AXElement,
                             std::vector<AXElement>, std::vector<std::string>>;

// The notifications an observer can register for; any other name is notificationUnsupported.
inline constexpr std::array<std::string_view, 7> kAXNotifications = {
    "AXWindowCreated", "AXFocusedWindowChanged", "AXUIElementDestroyed",   "AXWindowMoved",
    "AXWindowResized", "AXWindowMiniaturized",   "AXWindowDeminiaturized",
};

// Receives one process's notifications while scheduled on the main loop. Callbacks run on the
// main loop with the element and the notification name.
class AXObserver {
  public:
    using Callback = std::function<void(const AXElement& element, const std::string& notification)>;

    virtual ~AXObserver() = default;
    virtual AXError addNotification(const AXElement& element, std::string_view notification) = 0;
    virtual AXError removeNotification(const AXElement& element, std::string_view notification) = 0;
    // Deliveries start when scheduled on the main loop and stop when unscheduled or destroyed.
    virtual void schedule() = 0;
    virtual void unschedule() = 0;
};

// The accessibility service: other applications' windows as elements with named attributes
// ("AXPosition", "AXSize", "AXTitle", ...), actions ("AXRaise") and notifications
// ("AXWindowCreated", ...). Every call may be made from any thread; calls on a hung
// application block for the element's messaging timeout and then fail with cannotComplete.
class Accessibility {
  public:
    virtual ~Accessibility() = default;

    virtual AXElement application(Pid pid) = 0;
    // The element that covers the whole desktop, for hit tests.
    virtual AXElement systemWide() = 0;

    virtual AXError copyAttribute(const AXElement& element, std::string_view attribute,
                                  AXValue& value) = 0;
    // One call for several attributes; entries are none where an attribute has no value.
    virtual AXError copyAttributes(const AXElement& element,
                                   const std::vector<std::string>& attributes,
                                   std::vector<std::optional<AXValue>>& values) = 0;
    virtual AXError setAttribute(const AXElement& element, std::string_view attribute,
                                 const AXValue& value) = 0;
    virtual AXError isSettable(const AXElement& element, std::string_view attribute,
                               bool& settable) = 0;
    virtual AXError performAction(const AXElement& element, std::string_view action) = 0;

    // The window server's number of a window element; 0 or a failure means it has none.
    virtual AXError windowNumber(const AXElement& element, WindowID& number) = 0;
    virtual AXError processID(const AXElement& element, Pid& pid) = 0;
    // Bounds how long a call on this element may block; 0 restores the system default.
    virtual AXError setMessagingTimeout(const AXElement& element, double seconds) = 0;
    // The deepest element at a point (top-left coordinates), searched from `root`.
    virtual AXError elementAtPosition(const AXElement& root, Point point, AXElement& element) = 0;

    virtual std::unique_ptr<AXObserver> createObserver(Pid pid, AXObserver::Callback callback) = 0;
    virtual bool isProcessTrusted() = 0;
    // Shows the system's request for permission once; returns the trust state as now.
    virtual bool isProcessTrustedWithPrompt() = 0;
};

}  // namespace tessarin
