#include <memory>
#include <string>

#include "base/log.hpp"
#include "engine/engine_timing.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

void WindowManager::focusWindow(WindowID id) {
    const ManagedWindow* known = run_.find(id);
    if (!known) return;
    const AXWindow& window = *known->window;
    Accessibility& ax = platform_.accessibility;
    auto front = platform_.workspace.frontmostApplication();
    const bool wasFrontmost = front && front->pid == window.pid;

    ax.setAttribute(ax.application(window.pid), AXName::frontmost, true);
    ax.setAttribute(window.element, AXName::main, true);
    ax.performAction(window.element, AXName::raise);
    if (!wasFrontmost) platform_.workspace.activate(window.pid);
    // The raise covered the outline, which sits just above the window it surrounds.
    updateBorder();

    // Both the frame and the warp are in the top-left convention.
    if (prefs_.mouseFollowsFocus() && known->lastApplied) {
        platform_.pointer.warp(known->lastApplied->center());
    }
}

void WindowManager::syncFocusFromSystem() {
    if (!state_.isRunning) return;
    auto focused = systemFocusedWindow();
    if (!focused) return;

    if (run_.focusAfterClose) {
        const auto chosen = *run_.focusAfterClose;
        run_.focusAfterClose.reset();
        if (now() < chosen.until && run_.windows.count(chosen.window) &&
            chosen.window != *focused) {
            // The neighbour chosen after a close wins over the application's own choice; follow
            // it here too, so the strip does not swing to the application's window first.
            focusWindow(chosen.window);
            focused = chosen.window;
        }
    }

    if (!run_.windows.count(*focused)) {
        auto front = platform_.workspace.frontmostApplication();
        if (front && front->activationPolicy == ActivationPolicy::regular &&
            front->pid != ownPid_ && !front->terminated) {
            const Pid pid = front->pid;
            if (tracker_.isObserving(pid)) {
                for (const AXElement& element : AX::elements(
                         platform_.accessibility, tracker_.appElement(pid), AXName::windows)) {
                    consider(element, pid);
                }
            } else {
                std::weak_ptr<WindowManager> weak = weak_from_this();
                tracker_.observe(pid, 0, [weak, pid] {
                    if (auto self = weak.lock()) self->addApp(pid);
                });
            }
        }
    }

    if (run_.dormant.count(*focused)) reconcile();

    const ManagedWindow* tiled = tiledWindow(*focused);
    if (!tiled) return;
    const std::string key = *tiled->display;
    Strip& strip = run_.strips[key];
    state_.activeKey = key;

    const auto before = strip.focusedWindow();
    if (before == focused) {
        updateBorder();
        return;
    }

    if (run_.focusMode && prefs_.animate()) {
        run_.morphs[key] = Morph{appliedFrames(strip), now(),
                                 EngineTiming::animationLength(prefs_.animationSpeed())};
        startAnimationTimer();
    }

    if (before) run_.previousFocus = EngineRun::PreviousFocus{*before, key, now()};

    strip.focus(*focused);
    Log::info("focus synced to " + std::to_string(*focused) +
              " col=" + std::to_string(strip.focusedColumn));
    layout(key, true);
    updateBorder();
}

void WindowManager::updateBorder() {
    // The border follows the focused window, so every change of focus passes here.
    if (onLayoutChange) onLayoutChange();
    FocusBorder& border = *hooks_.border;
    auto found = state_.activeKey ? run_.strips.find(*state_.activeKey) : run_.strips.end();
    state_.borderShownFor.reset();
    if (!prefs_.focusBorder() || found == run_.strips.end()) {
        border.hide();
        return;
    }
    auto focused = found->second.focusedWindow();
    if (!focused) {
        border.hide();
        return;
    }
    const ManagedWindow* known = run_.find(*focused);
    if (known && known->lastApplied) {
        border.show(*known->lastApplied, *focused, prefs_.focusBorderWidth());
        state_.borderShownFor = *focused;
    } else {
        border.hide();
    }
}

std::optional<Display> WindowManager::display(const std::optional<std::string>& key) const {
    if (!key) return std::nullopt;
    for (const Display& candidate : state_.displays) {
        if (candidate.uuid == *key) return candidate;
    }
    return std::nullopt;
}

bool WindowManager::isExcluded(const std::string& uuid) const {
    const auto& excluded = prefs_.excludedDisplays();
    return std::find(excluded.begin(), excluded.end(), uuid) != excluded.end();
}

std::optional<std::string> WindowManager::tileTarget(
    const std::optional<std::string>& preferred) const {
    for (const auto& candidate :
         {display(preferred), display(state_.activeKey), displays_.underMouse(state_.displays)}) {
        if (candidate && !isExcluded(candidate->uuid)) return candidate->uuid;
    }
    return std::nullopt;
}

}  // namespace tessarin
