#include "backends/sim/sim_services.hpp"

namespace tessarin::sim {

namespace {

// The toolkit's bottom-left convention: y measured up from the primary display's bottom edge.
double primaryHeight(const SimCore& core) {
    return core.displays.empty() ? 0 : core.displays.front().setup.frame.height;
}

}  // namespace

std::optional<std::vector<WindowInfo>> SimWindowServer::windowList(bool onScreenOnly) {
    std::lock_guard lock(core_->mutex());
    if (!core_->windowListReadable) return std::nullopt;
    std::vector<WindowInfo> list;
    for (const DisplayState& display : core_->displays) {
        const Rect& frame = display.setup.frame;
        const double band = display.setup.visibleFrame->minY() - frame.minY();
        WindowInfo bar;
        bar.number = kMenuBarNumberBase + display.number;
        bar.ownerPid = kWindowServerPid;
        bar.ownerName = "Window Server";
        bar.bounds = Rect{frame.x, frame.y, frame.width, band > 0 ? band : 25};
        bar.layer = kMenuBarLayer;
        bar.alpha = 1.0;
        list.push_back(std::move(bar));
    }
    for (WindowID number : core_->stacking) {
        const WindowState& window = *core_->windowLocked(number);
        if (onScreenOnly && !core_->onScreenLocked(window)) continue;
        WindowInfo info;
        info.number = window.number;
        info.ownerPid = window.pid;
        info.bounds = window.frame;
        info.layer = window.layer;
        info.alpha = 1.0;
        if (const AppState* app = core_->appLocked(window.pid)) {
            info.ownerName = app->info.localizedName;
        }
        list.push_back(std::move(info));
    }
    return list;
}

std::vector<ScreenInfo> SimScreens::screens() {
    std::lock_guard lock(core_->mutex());
    const double height = primaryHeight(*core_);
    auto flip = [height](const Rect& rect) {
        return Rect{rect.x, height - rect.maxY(), rect.width, rect.height};
    };
    std::vector<ScreenInfo> list;
    for (const DisplayState& display : core_->displays) {
        const DisplaySetup& setup = display.setup;
        ScreenInfo info;
        if (setup.hasNumber) info.number = display.number;
        info.uuid = setup.uuid;
        info.name = setup.name;
        info.frame = flip(setup.frame);
        info.visibleFrame = flip(setup.visibleFrame.value_or(setup.frame));
        info.maximumFramesPerSecond = setup.refreshRate;
        list.push_back(std::move(info));
    }
    return list;
}

Point SimPointer::location() {
    std::lock_guard lock(core_->mutex());
    return {core_->pointer.x, primaryHeight(*core_) - core_->pointer.y};
}

std::uint32_t SimPointer::pressedButtons() {
    std::lock_guard lock(core_->mutex());
    return core_->buttons;
}

std::uint32_t SimPointer::modifierFlags() {
    std::lock_guard lock(core_->mutex());
    return core_->modifiers;
}

void SimPointer::warp(Point to) {
    std::lock_guard lock(core_->mutex());
    core_->pointer = to;
    core_->warps.push_back(to);
}

std::vector<RunningApplication> SimWorkspace::runningApplications() {
    std::lock_guard lock(core_->mutex());
    std::vector<RunningApplication> list;
    for (const auto& [pid, app] : core_->apps)
        list.push_back(app.info);
    return list;
}

std::optional<RunningApplication> SimWorkspace::application(Pid pid) {
    std::lock_guard lock(core_->mutex());
    const AppState* app = core_->appLocked(pid);
    return app ? std::optional(app->info) : std::nullopt;
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() {
    std::lock_guard lock(core_->mutex());
    const AppState* app = core_->frontmost ? core_->appLocked(*core_->frontmost) : nullptr;
    return app ? std::optional(app->info) : std::nullopt;
}

bool SimWorkspace::activate(Pid pid) {
    Outbox out;
    bool done;
    {
        std::lock_guard lock(core_->mutex());
        done = core_->activateLocked(pid, out);
    }
    core_->deliver(out);
    return done;
}

bool SimWorkspace::openURL(const std::string& url) {
    std::lock_guard lock(core_->mutex());
    core_->openedURLs.push_back(url);
    return true;
}

Workspace::ObserverID SimWorkspace::addObserver(Observer observer) {
    std::lock_guard lock(core_->mutex());
    const ObserverID id = core_->nextObserver++;
    auto state = std::make_shared<WorkspaceObserverCore>();
    state->observer = std::move(observer);
    core_->workspaceObservers.emplace(id, std::move(state));
    return id;
}

void SimWorkspace::removeObserver(ObserverID id) {
    std::lock_guard lock(core_->mutex());
    auto it = core_->workspaceObservers.find(id);
    if (it == core_->workspaceObservers.end()) return;
    // Deliveries already on their way are dropped too.
    it->second->alive = false;
    core_->workspaceObservers.erase(it);
}

}  // namespace tessarin::sim
