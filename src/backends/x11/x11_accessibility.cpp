#include "backends/x11/x11_accessibility.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace tessarin::x11 {

namespace {

// The flags an application keeps for assistive tools; they mean nothing on X11.
bool isAppFlag(std::string_view attribute) {
    return attribute == "AXEnhancedUserInterface" || attribute == "AXManualAccessibility";
}

bool contains(const std::vector<std::uint32_t>& items, xcb_atom_t atom) {
    return std::find(items.begin(), items.end(), atom) != items.end();
}

// Talks to the server alone; afterwards the loop must look for events that the replies pulled
// off the socket.
struct Nudge {
    explicit Nudge(X11Desktop& d) : desktop(d), talking(d.talk()) {}
    ~Nudge() { desktop.nudge(); }
    X11Desktop& desktop;
    std::unique_lock<std::recursive_mutex> talking;
};

class X11Observer : public AXObserver {
  public:
    X11Observer(X11Desktop& desktop, std::shared_ptr<X11Desktop::ObserverState> state)
        : desktop_(desktop), state_(std::move(state)) {}
    ~X11Observer() override { unschedule(); }

    AXError addNotification(const AXElement& element, std::string_view notification) override {
        if (std::find(kAXNotifications.begin(), kAXNotifications.end(), notification) ==
            kAXNotifications.end()) {
            return AXError::notificationUnsupported;
        }
        if (element.pid != state_->pid) return AXError::illegalArgument;
        std::lock_guard lock(desktop_.observerMutex());
        const bool added =
            state_->registrations.insert({element.ref, std::string(notification)}).second;
        return added ? AXError::success : AXError::notificationAlreadyRegistered;
    }
    AXError removeNotification(const AXElement& element, std::string_view notification) override {
        std::lock_guard lock(desktop_.observerMutex());
        const bool removed = state_->registrations.erase({element.ref, std::string(notification)});
        return removed ? AXError::success : AXError::notificationNotRegistered;
    }
    void schedule() override {
        std::lock_guard lock(desktop_.observerMutex());
        state_->scheduled = true;
    }
    void unschedule() override {
        std::lock_guard lock(desktop_.observerMutex());
        state_->scheduled = false;
    }

  private:
    X11Desktop& desktop_;
    std::shared_ptr<X11Desktop::ObserverState> state_;
};

}  // namespace

AXError X11Accessibility::windowOf(const AXElement& element, Client& client) const {
    if (!desktop_.connection().alive()) return AXError::apiDisabled;
    if (element == kSystemWide || element.isApplication()) return AXError::illegalArgument;
    if (element.ref > 0xFFFFFFFF) return AXError::invalidUIElement;
    auto found = desktop_.client(static_cast<xcb_window_t>(element.ref));
    if (!found || found->pid != element.pid) return AXError::invalidUIElement;
    client = *found;
    return AXError::success;
}

bool X11Accessibility::fixedSize(xcb_window_t window) const {
    Connection& conn = desktop_.connection();
    if (auto hints = conn.property(window, XCB_ATOM_WM_NORMAL_HINTS, 72)) {
        const auto h = hints->cardinals();
        // PMinSize and PMaxSize with the same values: the window has one size only.
        if (h.size() >= 9 && (h[0] & (1 << 4)) && (h[0] & (1 << 5)) && h[5] == h[7] &&
            h[6] == h[8]) {
            return true;
        }
    }
    auto allowed = conn.property(window, conn.atom(Atom::NET_WM_ALLOWED_ACTIONS), 256);
    return allowed && !contains(allowed->cardinals(), conn.atom(Atom::NET_WM_ACTION_RESIZE));
}

bool X11Accessibility::fullScreen(xcb_window_t window) const {
    Connection& conn = desktop_.connection();
    return contains(conn.cardinals(window, Atom::NET_WM_STATE, 64),
                    conn.atom(Atom::NET_WM_STATE_FULLSCREEN));
}

AXError X11Accessibility::readWindow(const Client& client, std::string_view attribute,
                                     AXValue& value) {
    Connection& conn = desktop_.connection();
    const xcb_window_t window = client.window;
    if (attribute == "AXRole") return value = std::string("AXWindow"), AXError::success;
    if (attribute == "AXSubrole") {
        if (client.dock || client.desktop) return AXError::noValue;
        const auto types = conn.cardinals(window, Atom::NET_WM_WINDOW_TYPE, 32);
        const auto is = [&](Atom type) { return contains(types, conn.atom(type)); };
        if (is(Atom::NET_WM_WINDOW_TYPE_UTILITY) || is(Atom::NET_WM_WINDOW_TYPE_TOOLBAR)) {
            return value = std::string("AXFloatingWindow"), AXError::success;
        }
        const bool transient = conn.property(window, XCB_ATOM_WM_TRANSIENT_FOR, 4).has_value();
        if (is(Atom::NET_WM_WINDOW_TYPE_DIALOG) || transient) {
            return value = std::string("AXDialog"), AXError::success;
        }
        // Splash screens, menus, notifications and the like: nothing to tile.
        if (!types.empty() && !is(Atom::NET_WM_WINDOW_TYPE_NORMAL)) return AXError::noValue;
        return value = std::string("AXStandardWindow"), AXError::success;
    }
    if (attribute == "AXTitle") return value = client.title, AXError::success;
    if (attribute == "AXPosition" || attribute == "AXSize") {
        AXError error = AXError::success;
        auto frame = desktop_.frame(window, error);
        if (!frame) return error;
        const Point origin = desktop_.origin();
        if (attribute == "AXSize") return value = frame->size(), AXError::success;
        return value = Point{frame->x - origin.x, frame->y - origin.y}, AXError::success;
    }
    if (attribute == "AXMinimized") return value = client.iconic, AXError::success;
    if (attribute == "AXFullScreen") return value = fullScreen(window), AXError::success;
    if (attribute == "AXMain" || attribute == "AXFocused") {
        return value = desktop_.active() == window, AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError X11Accessibility::readApplication(Pid pid, std::string_view attribute, AXValue& value) {
    auto app = desktop_.application(pid);
    if (!app) return AXError::invalidUIElement;
    if (attribute == "AXRole") return value = std::string("AXApplication"), AXError::success;
    if (attribute == "AXTitle") return value = app->localizedName.value_or(""), AXError::success;
    if (attribute == "AXHidden") return value = app->hidden, AXError::success;
    if (attribute == "AXWindows") {
        std::vector<AXElement> windows;
        for (xcb_window_t window : desktop_.windowsOf(pid))
            windows.push_back({pid, window});
        return value = std::move(windows), AXError::success;
    }
    if (attribute == "AXFocusedWindow" || attribute == "AXMainWindow") {
        const xcb_window_t window = desktop_.focusedWindowOf(pid);
        if (!window) return AXError::noValue;
        return value = AXElement{pid, window}, AXError::success;
    }
    if (attribute == "AXFrontmost") {
        const xcb_window_t active = desktop_.active();
        const auto client = active ? desktop_.client(active) : std::nullopt;
        return value = client && client->pid == pid, AXError::success;
    }
    if (isAppFlag(attribute)) {
        value = desktop_.appFlag(pid, std::string(attribute)).value_or(false);
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError X11Accessibility::copyAttribute(const AXElement& element, std::string_view attribute,
                                        AXValue& value) {
    Nudge nudge(desktop_);
    if (!desktop_.connection().alive()) return AXError::apiDisabled;
    if (element == kSystemWide) {
        if (attribute == "AXRole") return value = std::string("AXSystemWide"), AXError::success;
        if (attribute != "AXFocusedApplication") return AXError::attributeUnsupported;
        const xcb_window_t active = desktop_.active();
        const auto client = active ? desktop_.client(active) : std::nullopt;
        if (!client) return AXError::noValue;
        return value = application(client->pid), AXError::success;
    }
    if (element.isApplication()) return readApplication(element.pid, attribute, value);
    Client client;
    if (AXError error = windowOf(element, client); error != AXError::success) return error;
    return readWindow(client, attribute, value);
}

AXError X11Accessibility::copyAttributes(const AXElement& element,
                                         const std::vector<std::string>& attributes,
                                         std::vector<std::optional<AXValue>>& values) {
    values.clear();
    for (const std::string& attribute : attributes) {
        AXValue value;
        const AXError error = copyAttribute(element, attribute, value);
        if (error == AXError::invalidUIElement || error == AXError::apiDisabled) return error;
        values.push_back(error == AXError::success ? std::optional(value) : std::nullopt);
    }
    return AXError::success;
}

AXError X11Accessibility::setAttribute(const AXElement& element, std::string_view attribute,
                                       const AXValue& value) {
    Nudge nudge(desktop_);
    if (!desktop_.connection().alive()) return AXError::apiDisabled;
    if (element == kSystemWide) return AXError::attributeUnsupported;
    const bool* flag = std::get_if<bool>(&value);
    if (element.isApplication()) {
        if (!desktop_.hasApplication(element.pid)) return AXError::invalidUIElement;
        if (isAppFlag(attribute)) {
            if (!flag) return AXError::illegalArgument;
            desktop_.setAppFlag(element.pid, std::string(attribute), *flag);
            return AXError::success;
        }
        if (attribute != "AXFrontmost") return AXError::attributeUnsupported;
        if (!flag) return AXError::illegalArgument;
        if (!*flag) return AXError::success;
        const xcb_window_t window = desktop_.focusedWindowOf(element.pid);
        return window ? desktop_.activate(window) : AXError::cannotComplete;
    }
    Client client;
    if (AXError error = windowOf(element, client); error != AXError::success) return error;
    const xcb_window_t window = client.window;
    if (attribute == "AXPosition") {
        const Point* point = std::get_if<Point>(&value);
        if (!point || !std::isfinite(point->x) || !std::isfinite(point->y)) {
            return AXError::illegalArgument;
        }
        if (fullScreen(window)) return AXError::cannotComplete;
        return desktop_.writeFrame(window, *point, std::nullopt);
    }
    if (attribute == "AXSize") {
        const Size* size = std::get_if<Size>(&value);
        if (!size || !std::isfinite(size->width) || !std::isfinite(size->height) ||
            size->width <= 0 || size->height <= 0) {
            return AXError::illegalArgument;
        }
        if (fixedSize(window)) return AXError::attributeUnsupported;
        if (fullScreen(window)) return AXError::cannotComplete;
        return desktop_.writeFrame(window, std::nullopt, *size);
    }
    if (attribute == "AXMinimized" || attribute == "AXFullScreen" || attribute == "AXMain" ||
        attribute == "AXFocused") {
        if (!flag) return AXError::illegalArgument;
        if (attribute == "AXMinimized") return desktop_.setIconic(window, *flag);
        if (attribute == "AXFullScreen") return desktop_.setFullScreen(window, *flag);
        return *flag ? desktop_.activate(window) : AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError X11Accessibility::isSettable(const AXElement& element, std::string_view attribute,
                                     bool& settable) {
    Nudge nudge(desktop_);
    settable = false;
    if (element == kSystemWide) return AXError::success;
    if (element.isApplication()) {
        if (!desktop_.hasApplication(element.pid)) return AXError::invalidUIElement;
        settable = attribute == "AXFrontmost" || isAppFlag(attribute);
        return AXError::success;
    }
    Client client;
    if (AXError error = windowOf(element, client); error != AXError::success) return error;
    if (attribute == "AXSize") {
        settable = !fixedSize(client.window);
    } else {
        settable = attribute == "AXPosition" || attribute == "AXMinimized" ||
                   attribute == "AXFullScreen" || attribute == "AXMain" || attribute == "AXFocused";
    }
    return AXError::success;
}

AXError X11Accessibility::performAction(const AXElement& element, std::string_view action) {
    Nudge nudge(desktop_);
    Client client;
    if (AXError error = windowOf(element, client); error != AXError::success) {
        return error == AXError::illegalArgument ? AXError::actionUnsupported : error;
    }
    if (action != "AXRaise") return AXError::actionUnsupported;
    return desktop_.raise(client.window);
}

AXError X11Accessibility::windowNumber(const AXElement& element, WindowID& number) {
    number = 0;
    Client client;
    if (AXError error = windowOf(element, client); error != AXError::success) return error;
    number = client.window;
    return AXError::success;
}

AXError X11Accessibility::processID(const AXElement& element, Pid& pid) {
    if (element == kSystemWide) return AXError::illegalArgument;
    pid = element.pid;
    return AXError::success;
}

AXError X11Accessibility::setMessagingTimeout(const AXElement& element, double seconds) {
    if (!(seconds >= 0)) return AXError::illegalArgument;
    std::lock_guard lock(timeoutMutex_);
    if (seconds == 0) {
        timeouts_.erase({element.pid, element.ref});
    } else {
        timeouts_[{element.pid, element.ref}] = seconds;
    }
    return AXError::success;
}

AXError X11Accessibility::elementAtPosition(const AXElement& root, Point point,
                                            AXElement& element) {
    Nudge nudge(desktop_);
    if (!desktop_.connection().alive()) return AXError::apiDisabled;
    const Point origin = desktop_.origin();
    const Point inRoot{point.x + origin.x, point.y + origin.y};
    const auto order = desktop_.stacking();
    const auto frames = desktop_.frames(order);
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto client = desktop_.client(order[i]);
        if (!client || !frames[i] || !frames[i]->contains(inRoot)) continue;
        if (root != kSystemWide && client->pid != root.pid) continue;
        if (client->iconic || !desktop_.viewable(client->topLevel)) continue;
        element = {client->pid, client->window};
        return AXError::success;
    }
    return AXError::noValue;
}

std::unique_ptr<AXObserver> X11Accessibility::createObserver(Pid pid,
                                                             AXObserver::Callback callback) {
    if (!desktop_.connection().alive()) return nullptr;
    auto state = std::make_shared<X11Desktop::ObserverState>();
    state->pid = pid;
    state->callback = std::move(callback);
    desktop_.addObserver(state);
    return std::make_unique<X11Observer>(desktop_, std::move(state));
}

bool X11Accessibility::isProcessTrusted() {
    return desktop_.connection().alive();
}

}  // namespace tessarin::x11
