#include "backends/x11/x11_services.hpp"

#include <spawn.h>
#include <sys/wait.h>

#include "backends/x11/x11_keys.hpp"

extern char** environ;

namespace tessarin::x11 {

namespace {

// The dock windows' layer, as other systems number it; normal windows are layer 0.
constexpr std::int64_t kDockLayer = 20;

struct PointerState {
    Point position;  // root coordinates
    std::uint16_t mask = 0;
};

std::optional<PointerState> queryPointer(X11Desktop& desktop) {
    auto talking = desktop.talk();
    xcb_connection_t* c = desktop.connection().raw();
    Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, desktop.connection().root()), nullptr));
    if (!reply) return std::nullopt;
    return PointerState{{static_cast<double>(reply->root_x), static_cast<double>(reply->root_y)},
                        reply->mask};
}

double primaryHeight(X11Desktop& desktop) {
    const auto monitors = desktop.monitors();
    return monitors.empty() ? 0 : monitors.front().frame.height;
}

}  // namespace

std::optional<std::vector<WindowInfo>> X11WindowServer::windowList(bool onScreenOnly) {
    if (!desktop_.connection().alive()) return std::nullopt;
    auto talking = desktop_.talk();
    const auto order = desktop_.stacking();
    const auto frames = desktop_.frames(order);
    const Point origin = desktop_.origin();
    std::vector<WindowInfo> list;
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto client = desktop_.client(order[i]);
        if (!client || client->desktop || !frames[i]) continue;
        if (onScreenOnly && (client->iconic || !desktop_.viewable(client->topLevel))) continue;
        WindowInfo info;
        info.number = client->window;
        info.ownerPid = client->pid;
        info.bounds = Rect{frames[i]->x - origin.x, frames[i]->y - origin.y, frames[i]->width,
                           frames[i]->height};
        info.layer = client->dock ? kDockLayer : 0;
        info.alpha = 1.0;
        if (auto app = desktop_.application(client->pid)) info.ownerName = app->localizedName;
        list.push_back(std::move(info));
    }
    desktop_.nudge();
    return list;
}

std::vector<ScreenInfo> X11Screens::screens() {
    const auto monitors = desktop_.monitors();
    std::vector<ScreenInfo> result;
    if (monitors.empty()) return result;
    const Point origin = monitors.front().frame.origin();
    const double height = monitors.front().frame.height;
    // Shifted so the primary's top-left is the origin, then flipped about its height.
    auto flip = [&](const Rect& r) {
        return Rect{r.x - origin.x, height - (r.maxY() - origin.y), r.width, r.height};
    };
    for (const Monitor& monitor : monitors) {
        ScreenInfo info;
        info.number = monitor.number;
        info.uuid = monitor.identity;
        info.name = monitor.name;
        info.frame = flip(monitor.frame);
        info.visibleFrame = flip(monitor.visibleFrame);
        info.maximumFramesPerSecond = monitor.refreshRate;
        result.push_back(std::move(info));
    }
    return result;
}

Point X11Pointer::location() {
    auto state = queryPointer(desktop_);
    desktop_.nudge();
    if (!state) return {};
    const Point origin = desktop_.origin();
    return {state->position.x - origin.x, primaryHeight(desktop_) - (state->position.y - origin.y)};
}

std::uint32_t X11Pointer::pressedButtons() {
    auto state = queryPointer(desktop_);
    desktop_.nudge();
    if (!state) return 0;
    // Left, right, then middle and the rest, as the boundary numbers buttons.
    std::uint32_t buttons = 0;
    if (state->mask & XCB_BUTTON_MASK_1) buttons |= 1u << 0;
    if (state->mask & XCB_BUTTON_MASK_3) buttons |= 1u << 1;
    if (state->mask & XCB_BUTTON_MASK_2) buttons |= 1u << 2;
    if (state->mask & XCB_BUTTON_MASK_4) buttons |= 1u << 3;
    if (state->mask & XCB_BUTTON_MASK_5) buttons |= 1u << 4;
    return buttons;
}

std::uint32_t X11Pointer::modifierFlags() {
    auto state = queryPointer(desktop_);
    desktop_.nudge();
    return state ? keys::modifiersFromX(state->mask) : 0;
}

void X11Pointer::warp(Point to) {
    auto talking = desktop_.talk();
    const Point origin = desktop_.origin();
    xcb_connection_t* c = desktop_.connection().raw();
    const double x = std::clamp(to.x + origin.x, -32768.0, 32767.0);
    const double y = std::clamp(to.y + origin.y, -32768.0, 32767.0);
    xcb_warp_pointer(c, XCB_NONE, desktop_.connection().root(), 0, 0, 0, 0,
                     static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    xcb_flush(c);
}

std::vector<RunningApplication> X11Workspace::runningApplications() {
    return desktop_.applications();
}

std::optional<RunningApplication> X11Workspace::application(Pid pid) {
    return desktop_.application(pid);
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() {
    const xcb_window_t active = desktop_.active();
    auto client = active ? desktop_.client(active) : std::nullopt;
    return client ? desktop_.application(client->pid) : std::nullopt;
}

bool X11Workspace::activate(Pid pid) {
    auto talking = desktop_.talk();
    const xcb_window_t window = desktop_.focusedWindowOf(pid);
    return window && desktop_.activate(window) == AXError::success;
}

bool X11Workspace::openURL(const std::string& url) {
    // Handed to the desktop's opener; its exit is collected so no zombie is left behind.
    pid_t child = 0;
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
    if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

Workspace::ObserverID X11Workspace::addObserver(Observer observer) {
    return desktop_.addWorkspaceObserver(std::move(observer));
}

void X11Workspace::removeObserver(ObserverID id) {
    desktop_.removeWorkspaceObserver(id);
}

}  // namespace tessarin::x11
