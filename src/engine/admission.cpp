#include <algorithm>
#include <cmath>

#include "base/log.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

// Anything this small is a palette, a tooltip or a window still being built.
constexpr double minimumSide = 60;
// Windows are often announced before their role, subrole and size are readable.
constexpr double considerDelay = 0.08;
constexpr double considerRetry = 0.4;
constexpr double presentCacheLife = 0.05;
// A resize this soon after a title-bar double click is the application's own zoom.
constexpr double zoomWindow = 0.6;
constexpr double zoomSuppress = 0.8;
// The application animates its zoom; putting the frame back after each step makes ours win.
constexpr double zoomReapply[] = {0.3, 0.6, 1.0};

bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

const std::vector<std::string>& WindowManager::alwaysFloating() {
    static const std::vector<std::string> bundles{
        "com.apple.systempreferences", "com.apple.calculator", "com.apple.ScreenSharing.launcher",
        "com.apple.PhotoBooth", "com.apple.archiveutility"};
    return bundles;
}

void WindowManager::addApp(Pid pid) {
    if (!state_.isRunning) return;
    AXElement app = tracker_.appElement(pid);
    for (const AXElement& element : AX::elements(platform_.accessibility, app, "AXWindows")) {
        consider(element, pid);
    }
}

bool WindowManager::consider(const AXElement& element, Pid pid) {
    Accessibility& ax = platform_.accessibility;
    AXWindowPtr window = AXWindow::create(ax, platform_.workspace, element, pid);
    if (!window) return false;
    const WindowID id = window->id;
    if (state_.windows.count(id)) return true;

    const auto role = AX::string(ax, element, "AXRole");
    const auto subrole = AX::string(ax, element, "AXSubrole");
    const bool fullScreen = AX::boolean(ax, element, "AXFullScreen").value_or(false);
    const auto position = AX::position(ax, element);
    const auto size = AX::size(ax, element);
    std::optional<Rect> frame;
    if (position && size) frame = Rect{position->x, position->y, size->width, size->height};

    const bool standard = role == "AXWindow" && subrole == "AXStandardWindow";
    const bool candidate = standard && !fullScreen && frame && frame->width > minimumSide &&
                           frame->height > minimumSide;
    std::optional<Display> display;
    if (candidate) {
        display = Displays::containing(*frame, state_.displays);
        if (!display) display = this->display(state_.activeKey);
        if (!display) display = displays_.underMouse(state_.displays);
    }

    if (!display) {
        if (fullScreen && standard) {
            if (state_.fullscreenWaiting.insert(id).second) {
                Log::info("waiting for " + describe(*window) + " to leave full screen");
            }
            return false;
        }
        if (state_.loggedIgnored.insert(id).second) {
            Log::info("ignored " + describe(*window) + ": role=" + LogText::optionalText(role) +
                      " subrole=" + LogText::optionalText(subrole) + " fullscreen=" +
                      LogText::boolean(fullScreen) + " frame=" + LogText::optionalFrame(frame));
        }
        return false;
    }

    const std::string description = describe(*window);
    if (state_.fullscreenWaiting.erase(id)) Log::info(description + " left full screen");
    state_.windows[id] = window;
    tracker_.observeWindow(*window);
    state_.windowDisplay[id] = display->uuid;

    if (shouldFloat(*window) || contains(prefs_.excludedDisplays(), display->uuid)) {
        bool settable = false;
        const bool resizable =
            ax.isSettable(element, "AXSize", settable) == AXError::success && settable;
        state_.floating.insert(id);
        Log::info("floating " + description + " resizable=" + LogText::boolean(resizable));
        return true;
    }

    const double fraction = initialWidth(*frame, *display);
    const bool minimized = AX::boolean(ax, element, "AXMinimized").value_or(false);
    if (!minimized && presentIDs().count(id)) {
        const bool focused = systemFocusedWindow() == id;
        Log::info("tiling " + description + " on " + display->name +
                  " focused=" + LogText::boolean(focused));
        insertNewColumn(state_.strips[display->uuid], id, fraction, focused);
        if (focused) state_.activeKey = display->uuid;
        setNeedsLayout(display->uuid, focused);
        return true;
    }

    Dormant place;
    place.displayUUID = display->uuid;
    place.widthFraction = fraction;
    state_.dormant[id] = place;
    Log::info("dormant " + description + " minimized=" + LogText::boolean(minimized));
    // A new window can reach the engine before the window server lists it; nothing else would
    // announce it later, so a reconciliation takes it back if it is on screen by then.
    if (!minimized) reconcileSoon(considerRetry);
    return true;
}

std::set<WindowID> WindowManager::presentIDs() {
    const double time = now();
    if (state_.presentCache && time - state_.presentCache->time < presentCacheLife) {
        return state_.presentCache->ids;
    }
    state_.presentCache = EngineState::PresentCache{time, displays_.onScreenWindowIDs()};
    return state_.presentCache->ids;
}

bool WindowManager::shouldFloat(const AXWindow& window) {
    bool settable = false;
    if (platform_.accessibility.isSettable(window.element, "AXSize", settable) !=
            AXError::success ||
        !settable) {
        return true;
    }
    if (!window.bundleID) return false;
    return contains(prefs_.floatingApps(), *window.bundleID) ||
           contains(alwaysFloating(), *window.bundleID);
}

double WindowManager::initialWidth(const Rect& frame, const Display& display) const {
    // Either way a column's width stays inside the range the strip allows.
    if (!prefs_.keepOriginalWidth()) return std::clamp(prefs_.defaultWidth(), 0.1, 1.0);
    const double gap = prefs_.gap();
    const double insetWidth = display.visibleFrame.width - 2 * prefs_.outerGap();
    const double share = (frame.width + gap) / (insetWidth + gap);
    // A degenerate display (no width left after the gaps) gives no share to keep.
    if (!(insetWidth + gap > 0) || !std::isfinite(share)) return 1.0;
    return std::clamp(share, 0.1, 1.0);
}

std::optional<WindowID> WindowManager::systemFocusedWindow() {
    auto front = platform_.workspace.frontmostApplication();
    if (!front) return std::nullopt;
    Accessibility& ax = platform_.accessibility;
    auto focused = AX::element(ax, tracker_.appElement(front->pid), "AXFocusedWindow");
    if (!focused) return std::nullopt;
    WindowID number = 0;
    if (ax.windowNumber(*focused, number) != AXError::success || number == 0) return std::nullopt;
    return number;
}

void WindowManager::trackerWindowCreated(const AXElement& element, Pid pid) {
    later(considerDelay, [element, pid](WindowManager& self) {
        if (!self.state_.isRunning || self.consider(element, pid)) return;
        self.later(considerRetry, [element, pid](WindowManager& again) {
            if (again.state_.isRunning) again.consider(element, pid);
        });
    });
}

void WindowManager::trackerWindowMoved(WindowID id) {
    if (!state_.isRunning || !isManaged(id)) return;
    auto until = state_.suppressUntil.find(id);
    if (now() <= (until == state_.suppressUntil.end() ? 0 : until->second)) return;
    if (isOwnEcho(id)) return;
    state_.lastApplied.erase(id);
    state_.pendingMoves.insert(id);
    hooks_.pointer->waitForMouseUp(*this);
}

void WindowManager::trackerWindowResized(WindowID id) {
    if (!state_.isRunning) return;
    if (state_.dormant.count(id)) reconcileSoon(0.8);
    if (!isManaged(id)) return;
    auto window = state_.windows.find(id);
    if (window == state_.windows.end()) return;
    if (AX::boolean(platform_.accessibility, window->second->element, "AXFullScreen")
            .value_or(false)) {
        enterFullscreen(id);
        return;
    }

    const double time = now();
    const auto doubleClick = hooks_.input->lastDoubleClick();
    if (doubleClick && time - *doubleClick < zoomWindow &&
        time - state_.lastZoomToggle > zoomWindow) {
        zoomByDoubleClick(id);
        return;
    }

    auto until = state_.suppressUntil.find(id);
    if (time <= (until == state_.suppressUntil.end() ? 0 : until->second)) return;
    if (isOwnEcho(id)) return;
    state_.lastApplied.erase(id);
    state_.pendingResizes.insert(id);
    hooks_.pointer->waitForMouseUp(*this);
}

void WindowManager::zoomByDoubleClick(WindowID id) {
    const std::string key = state_.windowDisplay.at(id);
    Strip& strip = state_.strips.at(key);
    state_.lastZoomToggle = now();
    if (prefs_.animate()) {
        // The blend starts where the windows are now: this one where the application put it.
        Morph morph;
        const auto serverFrames = displays_.windowServerFrames();
        for (WindowID other : strip.windows()) {
            if (other == id) {
                if (auto found = serverFrames.find(id); found != serverFrames.end()) {
                    morph.from.insertOrAssign(id, found->second);
                }
            } else if (auto applied = state_.lastApplied.find(other);
                       applied != state_.lastApplied.end()) {
                morph.from.insertOrAssign(other, applied->second);
            }
        }
        morph.start = now();
        morph.duration = animationLength();
        state_.morphs[key] = std::move(morph);
        startAnimationTimer();
    }
    strip.toggleZoom(id);
    const auto place = strip.locate(id);
    const bool zoomed = place && strip.columns[place->first].isZoomed();
    Log::info("window " + std::to_string(id) + (zoomed ? " zoomed" : " un-zoomed") +
              " by double-click");
    state_.pendingResizes.erase(id);
    state_.pendingMoves.erase(id);
    state_.lastApplied.erase(id);
    state_.suppressUntil[id] = now() + zoomSuppress;
    mover_->forget(id);
    setNeedsLayout(key, true);
    for (double delay : zoomReapply) {
        later(delay, [id, key](WindowManager& self) {
            if (!self.state_.isRunning) return;
            self.state_.lastApplied.erase(id);
            self.mover_->forget(id);
            self.apply(key);
        });
    }
}

void WindowManager::trackerWindowMinimizeChanged(WindowID) {
    reconcileSoon(0.25);
}

void WindowManager::trackerFocusChanged() {
    if (state_.isRunning) syncFocusFromSystem();
}

void WindowManager::trackerWindowDestroyed(WindowID id) {
    forget(id);
}

}  // namespace tessarin
