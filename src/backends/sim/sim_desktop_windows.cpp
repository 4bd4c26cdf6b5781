#include "backends/sim/sim_desktop.hpp"
#include "platform/ax_names.hpp"

namespace tessarin::sim {

std::optional<WindowID> SimDesktop::openWindow(Pid pid, const WindowSetup& setup) {
    std::optional<WindowID> opened;
    change([&](SimCore& core, Outbox& out) {
        AppState* app = core.appLocked(pid);
        if (!app) return false;
        WindowState window;
        window.number = core.nextWindow++;
        window.ref = core.newRefLocked();
        window.pid = pid;
        window.title = setup.title;
        window.role = setup.role;
        window.subrole = setup.subrole;
        window.minimumSize = setup.minimumSize;
        window.frame = setup.frame;
        window.frame.width = std::max(window.frame.width, setup.minimumSize.width);
        window.frame.height = std::max(window.frame.height, setup.minimumSize.height);
        window.fixedSize = setup.fixedSize;
        window.minimized = setup.minimized;
        window.workspace = setup.workspace.value_or(core.currentWorkspace);
        window.layer = setup.layer;
        window.faults = setup.faults;
        if (setup.fullScreen) {
            window.fullScreen = true;
            window.frameBeforeFullScreen = window.frame;
            if (const DisplayState* display = core.displayForLocked(window.frame)) {
                window.frame = display->setup.frame;
            }
        }
        const WindowID number = window.number;
        core.registerRefLocked(window.ref, number);
        auto& stored = core.windows.emplace(number, std::move(window)).first->second;
        core.stacking.insert(core.stacking.begin(), number);
        app->windows.push_back(number);
        core.notifyLocked(pid, core.elementLocked(stored), AXName::windowCreated, out);
        if (setup.focus && !setup.minimized) core.setFocusedWindowLocked(*app, number, out);
        opened = number;
        return true;
    });
    return opened;
}

bool SimDesktop::closeWindow(WindowID number) {
    return change([&](SimCore& core, Outbox& out) {
        if (!core.windowLocked(number)) return false;
        core.destroyWindowLocked(number, out);
        return true;
    });
}

bool SimDesktop::moveWindow(WindowID number, Rect frame, bool notify) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        Outbox lost;
        core.setFrameLocked(window, frame, notify ? out : lost);
    });
}

bool SimDesktop::setMinimized(WindowID number, bool minimized) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        core.setMinimizedLocked(window, minimized, out);
    });
}

bool SimDesktop::setFullScreen(WindowID number, bool fullScreen) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        core.setFullScreenLocked(window, fullScreen, out);
    });
}

bool SimDesktop::setTitle(WindowID number, const std::string& title) {
    return changeWindow(number,
                        [&](SimCore&, WindowState& window, Outbox&) { window.title = title; });
}

bool SimDesktop::setMinimumSize(WindowID number, Size size) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        window.minimumSize = size;
        core.setFrameLocked(window, window.frame, out);
    });
}

bool SimDesktop::setWindowFaults(WindowID number, const WindowFaults& faults) {
    return changeWindow(number,
                        [&](SimCore&, WindowState& window, Outbox&) { window.faults = faults; });
}

bool SimDesktop::focusWindow(WindowID number) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        if (window.workspace != core.currentWorkspace) {
            core.currentWorkspace = window.workspace;
            core.workspaceEventLocked(WorkspaceEvent::activeSpaceDidChange, std::nullopt, out);
        }
        core.setMinimizedLocked(window, false, out);
        AppState& app = *core.appLocked(window.pid);
        core.setFocusedWindowLocked(app, number, out);
        core.activateLocked(window.pid, out);
        core.raiseLocked(window);
    });
}

bool SimDesktop::moveToWorkspace(WindowID number, int workspace) {
    return changeWindow(number, [&](SimCore& core, WindowState& window, Outbox& out) {
        if (window.workspace == workspace) return;
        const bool wasShown = window.workspace == core.currentWorkspace;
        window.workspace = workspace;
        // The user rearranges Spaces in the desktop's overview; leaving it announces a Space
        // change, and a focused window that left hands the focus to what is now on top.
        const AppState& app = *core.appLocked(window.pid);
        if (wasShown && core.frontmost == window.pid && app.focused == number)
            core.focusTopmostLocked(out);
        core.workspaceEventLocked(WorkspaceEvent::activeSpaceDidChange, std::nullopt, out);
    });
}

void SimDesktop::switchWorkspace(int workspace) {
    change([&](SimCore& core, Outbox& out) {
        if (core.currentWorkspace == workspace) return false;
        core.currentWorkspace = workspace;
        core.focusTopmostLocked(out);
        core.workspaceEventLocked(WorkspaceEvent::activeSpaceDidChange, std::nullopt, out);
        return true;
    });
}

Point SimDesktop::spaceShift() const {
    std::lock_guard lock(core_->mutex());
    return core_->shift;
}

std::optional<AXElement> SimDesktop::addElement(WindowID number, const std::string& role,
                                                Rect frame, std::optional<std::string> subrole) {
    const std::optional<AXElement> window = element(number);
    if (!window) return std::nullopt;
    ElementSetup setup;
    setup.role = role;
    setup.frame = frame;
    setup.subrole = std::move(subrole);
    return addElement(*window, setup);
}

namespace {

std::uint64_t addTree(SimCore& core, WindowState& window, std::uint64_t parent,
                      const ElementSetup& setup) {
    ChildState child{core.newRefLocked(), parent, setup};
    child.setup.children.clear();
    const std::uint64_t ref = child.ref;
    core.registerRefLocked(ref, window.number);
    window.children.push_back(std::move(child));
    for (const ElementSetup& inner : setup.children)
        addTree(core, window, ref, inner);
    return ref;
}

}  // namespace

std::optional<AXElement> SimDesktop::addElement(const AXElement& parent,
                                                const ElementSetup& setup) {
    std::optional<AXElement> added;
    change([&](SimCore& core, Outbox&) {
        WindowState* window = core.windowOfLocked(parent);
        if (!window) return false;
        added = AXElement{window->pid, addTree(core, *window, parent.ref, setup)};
        return true;
    });
    return added;
}

std::optional<WindowSnapshot> SimDesktop::window(WindowID number) const {
    std::lock_guard lock(core_->mutex());
    const WindowState* window = core_->windowLocked(number);
    if (!window) return std::nullopt;
    return WindowSnapshot{window->number,     window->pid,      core_->elementLocked(*window),
                          window->title,      window->frame,    window->minimized,
                          window->fullScreen, window->workspace};
}

std::optional<AXElement> SimDesktop::element(WindowID number) const {
    std::lock_guard lock(core_->mutex());
    const WindowState* window = core_->windowLocked(number);
    return window ? std::optional(core_->elementLocked(*window)) : std::nullopt;
}

std::vector<WindowID> SimDesktop::windows(Pid pid) const {
    std::lock_guard lock(core_->mutex());
    const AppState* app = core_->appLocked(pid);
    return app ? app->windows : std::vector<WindowID>{};
}

std::optional<WindowID> SimDesktop::focusedWindow() const {
    std::lock_guard lock(core_->mutex());
    const AppState* app = core_->frontmost ? core_->appLocked(*core_->frontmost) : nullptr;
    return app ? app->focused : std::nullopt;
}

}  // namespace tessarin::sim
