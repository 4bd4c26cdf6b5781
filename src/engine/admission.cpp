#include <algorithm>
#include <cmath>

#include "base/log.hpp"
#include "engine/engine_timing.hpp"
#include "engine/layout_geometry.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

using namespace EngineTiming;

// Anything this small is a palette, a tooltip or a window still being built.
constexpr double minimumSide = 60;

bool contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Applications whose windows are tools, never columns.
const std::vector<std::string>& alwaysFloating() {
    static const std::vector<std::string> bundles{
        "com.apple.systempreferences", "com.apple.calculator", "com.apple.ScreenSharing.launcher",
        "com.apple.PhotoBooth", "com.apple.archiveutility"};
    return bundles;
}

}  // namespace

void WindowManager::addApp(Pid pid) {
    if (!state_.isRunning) return;
    AXElement app = tracker_.appElement(pid);
    for (const AXElement& element : AX::elements(platform_.accessibility, app, AXName::windows)) {
        consider(element, pid);
    }
}

bool WindowManager::consider(const AXElement& element, Pid pid) {
    Accessibility& ax = platform_.accessibility;
    AXWindowPtr window = AXWindow::create(ax, platform_.workspace, element, pid);
    if (!window) return false;
    const WindowID id = window->id;
    if (run_.windows.count(id)) return true;

    const auto role = AX::string(ax, element, AXName::role);
    const auto subrole = AX::string(ax, element, AXName::subrole);
    const bool fullScreen = AX::boolean(ax, element, AXName::fullScreen).value_or(false);
    const auto position = AX::position(ax, element);
    const auto size = AX::size(ax, element);
    std::optional<Rect> frame;
    if (position && size) frame = Rect{position->x, position->y, size->width, size->height};

    const bool standard = role == AXName::windowRole && subrole == AXName::standardWindow;
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
            if (run_.fullscreenWaiting.insert(id).second) {
                Log::info("waiting for " + describe(*window) + " to leave full screen");
            }
            return false;
        }
        if (run_.loggedIgnored.insert(id).second) {
            Log::info("ignored " + describe(*window) + ": role=" + LogText::optionalText(role) +
                      " subrole=" + LogText::optionalText(subrole) + " fullscreen=" +
                      LogText::boolean(fullScreen) + " frame=" + LogText::optionalFrame(frame));
        }
        return false;
    }

    const std::string description = describe(*window);
    if (run_.fullscreenWaiting.erase(id)) Log::info(description + " left full screen");
    ManagedWindow& known = run_.windows[id];
    known.window = window;
    known.display = display->uuid;
    tracker_.observeWindow(*window);

    if (shouldFloat(*window) || isExcluded(display->uuid)) {
        bool settable = false;
        const bool resizable =
            ax.isSettable(element, AXName::size, settable) == AXError::success && settable;
        run_.floating.insert(id);
        if (onLayoutChange) onLayoutChange();
        Log::info("floating " + description + " resizable=" + LogText::boolean(resizable));
        return true;
    }

    const double fraction = initialWidth(*frame, *display, prefs_.keepOriginalWidth(),
                                         prefs_.defaultWidth(), prefs_.gap(), prefs_.outerGap());
    const bool minimized = AX::boolean(ax, element, AXName::minimized).value_or(false);
    // A list read a moment ago (by a burst of admissions or a reconciliation) can predate this
    // window; a miss is checked against a fresh one before the window is taken as off screen.
    bool present = presentIDs().count(id) > 0;
    if (!present && !minimized) {
        run_.presentCache.reset();
        present = presentIDs().count(id) > 0;
    }
    if (!minimized && present) {
        const bool focused = systemFocusedWindow() == id;
        Log::info("tiling " + description + " on " + display->name +
                  " focused=" + LogText::boolean(focused));
        insertNewColumn(run_.strips[display->uuid], id, fraction, focused);
        if (focused) state_.activeKey = display->uuid;
        setNeedsLayout(display->uuid, focused);
        return true;
    }

    Dormant place;
    place.displayUUID = display->uuid;
    place.widthFraction = fraction;
    run_.dormant[id] = place;
    Log::info("dormant " + description + " minimized=" + LogText::boolean(minimized));
    // A new window can reach the engine before the window server lists it; nothing else would
    // announce it later, so a reconciliation takes it back if it is on screen by then.
    if (!minimized) reconcileSoon(considerRetry);
    return true;
}

std::set<WindowID> WindowManager::presentIDs() {
    const double time = now();
    if (run_.presentCache && time - run_.presentCache->time < presentCacheLife) {
        return run_.presentCache->ids;
    }
    run_.presentCache = EngineRun::PresentCache{time, displays_.onScreenWindowIDs()};
    return run_.presentCache->ids;
}

bool WindowManager::shouldFloat(const AXWindow& window) {
    bool settable = false;
    if (platform_.accessibility.isSettable(window.element, AXName::size, settable) !=
            AXError::success ||
        !settable) {
        return true;
    }
    if (!window.bundleID) return false;
    return contains(prefs_.floatingApps(), *window.bundleID) ||
           contains(alwaysFloating(), *window.bundleID);
}

std::optional<WindowID> WindowManager::systemFocusedWindow() {
    auto front = platform_.workspace.frontmostApplication();
    if (!front) return std::nullopt;
    Accessibility& ax = platform_.accessibility;
    auto focused = AX::element(ax, tracker_.appElement(front->pid), AXName::focusedWindow);
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
    const ManagedWindow* known = tiledWindow(id);
    if (!state_.isRunning || !known) return;
    if (now() <= known->suppressUntil || now() <= run_.systemMovesUntil || isOwnEcho(id)) return;
    dropApplied(id);
    run_.pendingMoves.insert(id);
    waitForMouseUp();
}

void WindowManager::trackerWindowResized(WindowID id) {
    if (!state_.isRunning) return;
    if (run_.dormant.count(id)) reconcileSoon(dormantResizeReconcile);
    ManagedWindow* tiled = tiledWindow(id);
    if (!tiled) return;
    ManagedWindow& known = *tiled;
    if (AX::boolean(platform_.accessibility, known.window->element, AXName::fullScreen)
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

    if (time <= known.suppressUntil || time <= run_.systemMovesUntil || isOwnEcho(id)) return;
    dropApplied(id);
    run_.pendingResizes.insert(id);
    waitForMouseUp();
}

void WindowManager::zoomByDoubleClick(WindowID id) {
    ManagedWindow* known = tiledWindow(id);
    if (!known) return;
    const std::string key = *known->display;
    Strip& strip = run_.strips[key];
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
            } else if (const ManagedWindow* neighbour = run_.find(other);
                       neighbour && neighbour->lastApplied) {
                morph.from.insertOrAssign(other, *neighbour->lastApplied);
            }
        }
        morph.start = now();
        morph.duration = animationLength(prefs_.animationSpeed());
        run_.morphs[key] = std::move(morph);
        startAnimationTimer();
    }
    strip.toggleZoom(id);
    const auto place = strip.locate(id);
    const bool zoomed = place && strip.columns[place->first].isZoomed();
    Log::info("window " + std::to_string(id) + (zoomed ? " zoomed" : " un-zoomed") +
              " by double-click");
    run_.pendingResizes.erase(id);
    run_.pendingMoves.erase(id);
    dropApplied(id);
    known->suppressUntil = now() + zoomSuppress;
    setNeedsLayout(key, true);
    for (double delay : zoomReapply) {
        later(delay, [id, key](WindowManager& self) {
            if (!self.state_.isRunning) return;
            self.dropApplied(id);
            self.apply(key);
        });
    }
}

void WindowManager::trackerWindowMinimizeChanged(WindowID) {
    reconcileSoon(minimizeReconcile);
}

void WindowManager::trackerFocusChanged() {
    if (state_.isRunning) syncFocusFromSystem();
}

void WindowManager::trackerWindowDestroyed(WindowID id) {
    forget(id);
}

}  // namespace tessarin
