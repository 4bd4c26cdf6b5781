#include "backends/sim/sim_desktop.hpp"

#include <algorithm>
#include <set>

namespace tessarin::sim {

namespace {

constexpr double kMenuBarHeight = 25;

// The frame less a menu bar at the top, when no visible frame is given.
Rect visibleOr(std::optional<Rect> visible, Rect frame) {
    if (visible) return *visible;
    frame.y += kMenuBarHeight, frame.height -= kMenuBarHeight;
    return frame;
}

Rect shifted(Rect rect, Point by) {
    rect.x += by.x, rect.y += by.y;
    return rect;
}

// Keeps the global space's origin at the primary display's top-left corner.
void rebase(SimCore& core) {
    if (core.displays.empty()) return;
    const Point origin = core.displays.front().setup.frame.origin();
    if (origin == Point{0, 0}) return;
    const Point by{-origin.x, -origin.y};
    core.shift = {core.shift.x + by.x, core.shift.y + by.y};
    for (DisplayState& display : core.displays) {
        display.setup.frame = shifted(display.setup.frame, by);
        display.setup.visibleFrame = shifted(*display.setup.visibleFrame, by);
    }
    for (auto& [number, window] : core.windows) {
        window.frame = shifted(window.frame, by);
        window.frameBeforeFullScreen = shifted(window.frameBeforeFullScreen, by);
        for (ChildState& child : window.children)
            child.setup.frame = shifted(child.setup.frame, by);
    }
    core.pointer = {core.pointer.x + by.x, core.pointer.y + by.y};
}

// The application that comes forward when the frontmost one goes away or hides.
void activateNext(SimCore& core, Outbox& out) {
    core.frontmost.reset();
    for (WindowID number : core.stacking) {
        const WindowState& window = *core.windowLocked(number);
        const AppState& app = *core.appLocked(window.pid);
        if (core.onScreenLocked(window) && app.info.activationPolicy == ActivationPolicy::regular) {
            core.activateLocked(window.pid, out);
            return;
        }
    }
}

}  // namespace

SimDesktop::SimDesktop(MainLoop& loop)
    : core_(std::make_shared<SimCore>(loop)),
      accessibility_(core_),
      windowServer_(core_),
      screens_(core_),
      pointer_(core_),
      workspace_(core_),
      clock_(core_),
      input_(loop),
      setupCheck_(core_, accessibility_, workspace_) {}

SimDesktop::~SimDesktop() {
    // Calls still blocked on a hung application give up, and are gone before the state is.
    std::unique_lock lock(core_->mutex());
    core_->shuttingDown = true;
    core_->changed().notify_all();
    core_->changed().wait(lock, [&] { return core_->blockedTotal == 0; });
}

Platform SimDesktop::platform(QueueFactory& queues) {
    return Platform{accessibility_, windowServer_, screens_, pointer_, workspace_, core_->loop(),
                    queues,         clock_,        input_,   input_,   setupCheck_};
}

std::uint32_t SimDesktop::plugDisplay(const DisplaySetup& setup) {
    std::uint32_t number = 0;
    change([&](SimCore& core, Outbox& out) {
        DisplayState display{core.nextDisplay++, setup};
        display.setup.visibleFrame = visibleOr(setup.visibleFrame, setup.frame);
        number = display.number;
        auto at = setup.primary ? core.displays.begin() : core.displays.end();
        core.displays.insert(at, std::move(display));
        rebase(core);
        core.workspaceEventLocked(WorkspaceEvent::screenParametersDidChange, std::nullopt, out);
        return true;
    });
    return number;
}

bool SimDesktop::unplugDisplay(std::uint32_t number) {
    return change([&](SimCore& core, Outbox& out) {
        auto gone = std::find_if(core.displays.begin(), core.displays.end(),
                                 [&](const DisplayState& d) { return d.number == number; });
        if (gone == core.displays.end()) return false;
        const Point goneOrigin = gone->setup.frame.origin();
        std::set<WindowID> orphans;
        for (const auto& [id, window] : core.windows) {
            if (core.displayForLocked(window.frame) == &*gone) orphans.insert(id);
        }
        core.displays.erase(gone);
        if (!core.displays.empty()) {
            const Point shift = core.displays.front().setup.frame.origin();
            rebase(core);
            const Point goneNow{goneOrigin.x - shift.x, goneOrigin.y - shift.y};
            const Rect primary = core.displays.front().setup.frame;
            const Rect visible = *core.displays.front().setup.visibleFrame;
            for (WindowID id : orphans) {
                WindowState& window = *core.windowLocked(id);
                // Same place relative to the display, pulled inside the primary's visible area.
                Rect frame = window.frame;
                frame.x += primary.x - goneNow.x;
                frame.y += primary.y - goneNow.y;
                frame.x = std::clamp(frame.x, visible.minX(),
                                     std::max(visible.minX(), visible.maxX() - frame.width));
                frame.y = std::clamp(frame.y, visible.minY(),
                                     std::max(visible.minY(), visible.maxY() - frame.height));
                core.setFrameLocked(window, frame, out);
            }
        }
        core.workspaceEventLocked(WorkspaceEvent::screenParametersDidChange, std::nullopt, out);
        return true;
    });
}

bool SimDesktop::setDisplayFrame(std::uint32_t number, Rect frame,
                                 std::optional<Rect> visibleFrame) {
    return change([&](SimCore& core, Outbox& out) {
        for (DisplayState& display : core.displays) {
            if (display.number != number) continue;
            display.setup.frame = frame;
            display.setup.visibleFrame = visibleOr(visibleFrame, frame);
            rebase(core);
            core.workspaceEventLocked(WorkspaceEvent::screenParametersDidChange, std::nullopt, out);
            return true;
        }
        return false;
    });
}

std::optional<Rect> SimDesktop::displayFrame(std::uint32_t number) const {
    std::lock_guard lock(core_->mutex());
    for (const DisplayState& display : core_->displays) {
        if (display.number == number) return display.setup.frame;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> SimDesktop::displayNumber(const std::string& uuid) const {
    std::lock_guard lock(core_->mutex());
    for (const DisplayState& display : core_->displays) {
        if (display.setup.uuid == uuid) return display.number;
    }
    return std::nullopt;
}

Pid SimDesktop::launch(const AppSetup& setup) {
    Pid pid = 0;
    change([&](SimCore& core, Outbox& out) {
        pid = core.nextPid++;
        AppState app;
        app.info = {pid, setup.bundleID, setup.name, setup.policy, false, false, setup.icon};
        core.apps.emplace(pid, app);
        core.workspaceEventLocked(WorkspaceEvent::didLaunchApplication, app.info, out);
        if (setup.activate) core.activateLocked(pid, out);
        return true;
    });
    return pid;
}

bool SimDesktop::quit(Pid pid) {
    return change([&](SimCore& core, Outbox& out) {
        AppState* app = core.appLocked(pid);
        if (!app) return false;
        for (WindowID number : std::vector<WindowID>(app->windows)) {
            core.destroyWindowLocked(number, out);
        }
        RunningApplication info = app->info;
        info.terminated = true;
        core.apps.erase(pid);
        core.observers.erase(pid);
        core.changed().notify_all();
        core.workspaceEventLocked(WorkspaceEvent::didTerminateApplication, info, out);
        if (core.frontmost == pid) activateNext(core, out);
        return true;
    });
}

bool SimDesktop::hide(Pid pid) {
    return change([&](SimCore& core, Outbox& out) {
        AppState* app = core.appLocked(pid);
        if (!app || app->info.hidden) return false;
        app->info.hidden = true;
        core.workspaceEventLocked(WorkspaceEvent::didHideApplication, app->info, out);
        if (core.frontmost == pid) activateNext(core, out);
        return true;
    });
}

bool SimDesktop::unhide(Pid pid) {
    return change([&](SimCore& core, Outbox& out) {
        AppState* app = core.appLocked(pid);
        if (!app || !app->info.hidden) return false;
        app->info.hidden = false;
        core.workspaceEventLocked(WorkspaceEvent::didUnhideApplication, app->info, out);
        return true;
    });
}

bool SimDesktop::activate(Pid pid) {
    return change([&](SimCore& core, Outbox& out) { return core.activateLocked(pid, out); });
}

bool SimDesktop::setActivationPolicy(Pid pid, ActivationPolicy policy) {
    return change([&](SimCore& core, Outbox&) {
        AppState* app = core.appLocked(pid);
        if (!app) return false;
        app->info.activationPolicy = policy;
        return true;
    });
}

void SimDesktop::postWorkspaceEvent(WorkspaceEvent event) {
    change([&](SimCore& core, Outbox& out) {
        core.workspaceEventLocked(event, std::nullopt, out);
        return true;
    });
}

std::vector<std::string> SimDesktop::openedURLs() const {
    std::lock_guard lock(core_->mutex());
    return core_->openedURLs;
}

}  // namespace tessarin::sim
