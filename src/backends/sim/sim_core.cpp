#include "backends/sim/sim_core.hpp"
#include "platform/ax_names.hpp"

#include <algorithm>

namespace tessarin::sim {

namespace {

bool contains(const Rect& rect, Point point) {
    return point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY() &&
           point.y < rect.maxY();
}

double overlap(const Rect& a, const Rect& b) {
    const double width = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    const double height = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

void SimCore::deliver(Outbox& out) {
    for (Task& task : out)
        loop_.post(std::move(task));
    out.clear();
}

double SimCore::now() const {
    const double base = loop_.now();
    std::lock_guard lock(mutex_);
    return base + spent_;
}

std::vector<const ChildState*> WindowState::childrenOf(std::uint64_t of) const {
    std::vector<const ChildState*> found;
    for (const ChildState& child : children) {
        if (child.parent == of) found.push_back(&child);
    }
    return found;
}

AppState* SimCore::appLocked(Pid pid) {
    auto it = apps.find(pid);
    return it == apps.end() ? nullptr : &it->second;
}

WindowState* SimCore::windowLocked(WindowID number) {
    auto it = windows.find(number);
    return it == windows.end() ? nullptr : &it->second;
}

WindowState* SimCore::windowOfLocked(const AXElement& element) {
    auto it = refs_.find(element.ref);
    if (it == refs_.end()) return nullptr;
    WindowState* window = windowLocked(it->second);
    return window && window->pid == element.pid ? window : nullptr;
}

const ChildState* SimCore::childLocked(const AXElement& element) {
    WindowState* window = windowOfLocked(element);
    if (!window) return nullptr;
    for (const ChildState& child : window->children) {
        if (child.ref == element.ref) return &child;
    }
    return nullptr;
}

const DisplayState* SimCore::displayAtLocked(Point point) const {
    for (const DisplayState& display : displays) {
        if (contains(display.setup.frame, point)) return &display;
    }
    return nullptr;
}

const DisplayState* SimCore::displayForLocked(const Rect& frame) const {
    if (const DisplayState* display = displayAtLocked({frame.midX(), frame.midY()})) {
        return display;
    }
    const DisplayState* best = displays.empty() ? nullptr : &displays.front();
    double bestArea = 0;
    for (const DisplayState& display : displays) {
        const double area = overlap(display.setup.frame, frame);
        if (area > bestArea) best = &display, bestArea = area;
    }
    return best;
}

bool SimCore::onScreenLocked(const WindowState& window) const {
    auto app = apps.find(window.pid);
    return !window.minimized && window.workspace == currentWorkspace && app != apps.end() &&
           !app->second.info.hidden;
}

WindowID SimCore::frontmostWindowLocked(Pid pid) const {
    for (WindowID number : stacking) {
        auto it = windows.find(number);
        if (it != windows.end() && it->second.pid == pid && !it->second.minimized) return number;
    }
    return 0;
}

void SimCore::setFrameLocked(WindowState& window, Rect frame, Outbox& out) {
    frame.width = std::max(frame.width, window.minimumSize.width);
    frame.height = std::max(frame.height, window.minimumSize.height);
    const Rect old = window.frame;
    window.frame = frame;
    const AXElement element = elementLocked(window);
    if (old.origin() != frame.origin()) notifyLocked(window.pid, element, AXName::windowMoved, out);
    if (old.size() != frame.size()) notifyLocked(window.pid, element, AXName::windowResized, out);
}

void SimCore::setMinimizedLocked(WindowState& window, bool minimized, Outbox& out) {
    if (window.minimized == minimized) return;
    window.minimized = minimized;
    notifyLocked(window.pid, elementLocked(window),
                 minimized ? AXName::windowMiniaturized : AXName::windowDeminiaturized, out);
    AppState* app = appLocked(window.pid);
    if (!app) return;
    if (minimized && app->focused == window.number) {
        const WindowID next = frontmostWindowLocked(window.pid);
        setFocusedWindowLocked(*app, next ? std::optional(next) : std::nullopt, out);
    } else if (!minimized) {
        raiseLocked(window);
        setFocusedWindowLocked(*app, window.number, out);
    }
}

void SimCore::setFullScreenLocked(WindowState& window, bool fullScreen, Outbox& out) {
    if (window.fullScreen == fullScreen) return;
    window.fullScreen = fullScreen;
    if (fullScreen) {
        window.frameBeforeFullScreen = window.frame;
        const DisplayState* display = displayForLocked(window.frame);
        if (display) setFrameLocked(window, display->setup.frame, out);
    } else {
        setFrameLocked(window, window.frameBeforeFullScreen, out);
    }
}

void SimCore::raiseLocked(WindowState& window) {
    std::erase(stacking, window.number);
    stacking.insert(stacking.begin(), window.number);
}

void SimCore::setFocusedWindowLocked(AppState& app, std::optional<WindowID> window, Outbox& out) {
    if (app.focused == window) return;
    app.focused = window;
    const AXElement subject =
        window ? elementLocked(windows.at(*window)) : AXElement{app.info.pid, 0};
    notifyLocked(app.info.pid, subject, AXName::focusedWindowChanged, out);
}

void SimCore::destroyWindowLocked(WindowID number, Outbox& out) {
    WindowState* window = windowLocked(number);
    if (!window) return;
    const Pid pid = window->pid;
    notifyLocked(pid, elementLocked(*window), AXName::elementDestroyed, out);
    std::erase_if(refs_, [&](const auto& entry) { return entry.second == number; });
    std::erase(stacking, number);
    windows.erase(number);
    if (AppState* app = appLocked(pid)) {
        std::erase(app->windows, number);
        if (app->focused == number) {
            const WindowID next = frontmostWindowLocked(pid);
            setFocusedWindowLocked(*app, next ? std::optional(next) : std::nullopt, out);
        }
    }
}

void SimCore::focusTopmostLocked(Outbox& out) {
    for (WindowID number : stacking) {
        const WindowState& window = windows.at(number);
        AppState& app = *appLocked(window.pid);
        if (!onScreenLocked(window) || app.info.activationPolicy != ActivationPolicy::regular)
            continue;
        setFocusedWindowLocked(app, number, out);
        activateLocked(window.pid, out);
        return;
    }
}

bool SimCore::activateLocked(Pid pid, Outbox& out) {
    AppState* app = appLocked(pid);
    if (!app || app->info.activationPolicy == ActivationPolicy::prohibited) return false;
    if (app->info.hidden) {
        app->info.hidden = false;
        workspaceEventLocked(WorkspaceEvent::didUnhideApplication, app->info, out);
    }
    // The application's windows come forward together, the focused one in front.
    std::vector<WindowID> own;
    for (WindowID number : stacking) {
        if (windows.at(number).pid == pid) own.push_back(number);
    }
    std::erase_if(stacking, [&](WindowID number) { return windows.at(number).pid == pid; });
    stacking.insert(stacking.begin(), own.begin(), own.end());
    if (app->focused) raiseLocked(windows.at(*app->focused));
    if (frontmost != pid) {
        frontmost = pid;
        workspaceEventLocked(WorkspaceEvent::didActivateApplication, app->info, out);
    }
    return true;
}

void SimCore::notifyLocked(Pid pid, const AXElement& subject, std::string_view notification,
                           Outbox& out) {
    const std::string name(notification);
    auto it = observers.find(pid);
    if (it == observers.end()) return;
    std::erase_if(it->second, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : it->second) {
        std::shared_ptr<ObserverCore> core = weak.lock();
        if (!core || !core->alive || !core->scheduled) continue;
        // A registration on the application element hears every window of the application.
        const bool heard = core->registrations.contains({subject.ref, name}) ||
                           core->registrations.contains({0, name});
        if (!heard) continue;
        out.push_back([core, subject, name] {
            if (core->alive && core->scheduled) core->callback(subject, name);
        });
    }
}

void SimCore::workspaceEventLocked(WorkspaceEvent event, std::optional<RunningApplication> app,
                                   Outbox& out) {
    for (const auto& entry : workspaceObservers) {
        std::shared_ptr<WorkspaceObserverCore> core = entry.second;
        out.push_back([core, event, app] {
            if (core->alive) core->observer(event, app);
        });
    }
}

AXError SimCore::enterLocked(std::unique_lock<std::mutex>& lock, const AXElement& element) {
    if (!trusted) return AXError::apiDisabled;
    if (element == kSystemWide) return AXError::success;
    AppState* app = appLocked(element.pid);
    if (!app) return AXError::invalidUIElement;
    if (app->hang == HangMode::none) return AXError::success;
    const double timeout = messagingTimeoutLocked(element);
    if (app->hang == HangMode::timeOutAtOnce) {
        spent_ += timeout;
        return AXError::cannotComplete;
    }
    const Pid pid = element.pid;
    const std::uint64_t ticket = app->hangReleases;
    ++app->blockedCalls;
    ++blockedTotal;
    changed_.notify_all();
    changed_.wait(lock, [&] {
        AppState* current = appLocked(pid);
        return shuttingDown || !current || current->hang != HangMode::block ||
               current->hangReleases != ticket;
    });
    --blockedTotal;
    changed_.notify_all();
    app = appLocked(pid);
    if (!app) return AXError::invalidUIElement;
    --app->blockedCalls;
    if (shuttingDown || app->hang == HangMode::block) {
        spent_ += timeout;
        return AXError::cannotComplete;
    }
    return AXError::success;
}

double SimCore::messagingTimeoutLocked(const AXElement& element) const {
    if (auto it = timeouts_.find({element.pid, element.ref}); it != timeouts_.end()) {
        return it->second;
    }
    if (auto it = timeouts_.find({kSystemWide.pid, kSystemWide.ref}); it != timeouts_.end()) {
        return it->second;
    }
    return kDefaultMessagingTimeout;
}

void SimCore::setMessagingTimeoutLocked(const AXElement& element, double seconds) {
    if (seconds <= 0) {
        timeouts_.erase({element.pid, element.ref});
    } else {
        timeouts_[{element.pid, element.ref}] = seconds;
    }
}

}  // namespace tessarin::sim
