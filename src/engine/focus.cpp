#include <memory>
#include <string>

#include "base/log.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

namespace tessarin {

void WindowManager::focusWindow(WindowID id) {
    auto found = state_.windows.find(id);
    if (found == state_.windows.end()) return;
    const AXWindow& window = *found->second;
    Accessibility& ax = platform_.accessibility;
    auto front = platform_.workspace.frontmostApplication();
    const bool wasFrontmost = front && front->pid == window.pid;

    ax.setAttribute(ax.application(window.pid), "AXFrontmost", true);
    ax.setAttribute(window.element, "AXMain", true);
    ax.performAction(window.element, "AXRaise");
    if (!wasFrontmost) platform_.workspace.activate(window.pid);

    if (prefs_.mouseFollowsFocus()) {
        auto last = state_.lastApplied.find(id);
        // Both the frame and the warp are in the top-left convention.
        if (last != state_.lastApplied.end()) platform_.pointer.warp(last->second.center());
    }
}

void WindowManager::syncFocusFromSystem() {
    if (!state_.isRunning || state_.gestureKey) return;
    auto focused = systemFocusedWindow();
    if (!focused) return;

    if (state_.focusAfterClose) {
        const auto chosen = *state_.focusAfterClose;
        state_.focusAfterClose.reset();
        if (now() < chosen.until && state_.windows.count(chosen.window) &&
            chosen.window != *focused) {
            // The neighbour chosen after a close wins over the application's own choice; follow
            // it here too, so the strip does not swing to the application's window first.
            focusWindow(chosen.window);
            focused = chosen.window;
        }
    }

    if (!state_.windows.count(*focused)) {
        auto front = platform_.workspace.frontmostApplication();
        if (front && front->activationPolicy == ActivationPolicy::regular &&
            front->pid != ownPid_ && !front->terminated) {
            const Pid pid = front->pid;
            if (tracker_.isObserving(pid)) {
                for (const AXElement& element :
                     AX::elements(platform_.accessibility, tracker_.appElement(pid), "AXWindows")) {
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

    if (state_.dormant.count(*focused)) reconcile();

    auto where = state_.windowDisplay.find(*focused);
    if (where == state_.windowDisplay.end()) return;
    const std::string key = where->second;
    auto found = state_.strips.find(key);
    if (found == state_.strips.end() || !found->second.contains(*focused)) return;
    Strip& strip = found->second;
    state_.activeKey = key;

    const auto before = strip.focusedWindow();
    if (before == focused) {
        updateBorder();
        return;
    }

    if (state_.focusMode && prefs_.animate()) {
        Morph morph{{}, now(), animationLength()};
        for (WindowID id : strip.windows()) {
            auto last = state_.lastApplied.find(id);
            if (last != state_.lastApplied.end()) morph.from.insertOrAssign(id, last->second);
        }
        state_.morphs[key] = std::move(morph);
        startAnimationTimer();
    }

    if (before) state_.previousFocus = EngineState::PreviousFocus{*before, key, now()};

    strip.focus(*focused);
    Log::info("focus synced to " + std::to_string(*focused) +
              " col=" + std::to_string(strip.focusedColumn));
    layout(key, true);
    updateBorder();
}

void WindowManager::updateBorder() {
    FocusBorder& border = *hooks_.border;
    auto found = state_.activeKey ? state_.strips.find(*state_.activeKey) : state_.strips.end();
    if (!prefs_.focusBorder() || found == state_.strips.end()) {
        border.hide();
        return;
    }
    auto focused = found->second.focusedWindow();
    if (!focused) {
        border.hide();
        return;
    }
    auto last = state_.lastApplied.find(*focused);
    if (last != state_.lastApplied.end()) {
        border.show(last->second, *focused, prefs_.focusBorderWidth());
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
