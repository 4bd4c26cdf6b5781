#include <algorithm>
#include <cmath>

#include "base/log.hpp"
#include "engine/engine_timing.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

// Notifications get lost, applications move their own windows, taps get disabled and the
// permission can be withdrawn while the engine runs: a check on a steady beat finds all of it.

namespace tessarin {

using namespace EngineTiming;

void WindowManager::startHealthChecks() {
    stopHealthChecks();
    std::weak_ptr<WindowManager> weak = weak_from_this();
    run_.healthTimer = platform_.mainLoop.every(healthInterval, [weak] {
        if (auto self = weak.lock()) self->healthCheck();
    });
}

void WindowManager::stopHealthChecks() {
    if (run_.healthTimer) platform_.mainLoop.cancel(*run_.healthTimer);
    run_.healthTimer.reset();
}

void WindowManager::healthCheck() {
    if (!state_.isRunning) return;
    if (!platform_.accessibility.isProcessTrusted()) {
        Log::info("Accessibility permission was removed: tiling stopped until it is granted again");
        stop(false);
        if (onPermissionLost) onPermissionLost();
        return;
    }

    InputControl& input = *hooks_.input;
    if (prefs_.gesturesEnabled() && !input.swipeTapInstalled()) input.startSwipeTap(*this);
    if (prefs_.modifierScroll() && !input.scrollTapInstalled()) input.startScrollTap(*this);

    if (run_.gestureKey && now() - run_.lastScrollInput > swipeEndTimeout) {
        Log::info("swipe never reported its end: settling the strip");
        inputScrollEnded(0);
    }
    if (run_.gestureKey) return;

    // The user or an animation is moving windows: what looks like drift is their doing.
    if (!run_.animations.empty() || !run_.morphs.empty() ||
        platform_.pointer.pressedButtons() != 0) {
        return;
    }

    ++run_.healthTicks;
    if (!run_.fullscreenWaiting.empty()) {
        // Off-screen windows count: one waiting in its own full-screen Space is still there.
        if (auto listed = platform_.windowServer.windowList(false)) {
            std::set<WindowID> alive;
            for (const WindowInfo& info : *listed)
                if (info.number) alive.insert(*info.number);
            std::erase_if(run_.fullscreenWaiting, [&](WindowID id) { return !alive.count(id); });
        }
    }
    if (run_.healthTicks % rescanEveryTicks == 0) {
        rescanAllApps();
        platform_.queues.background().async(
            [web = webAccessibility_] { web->ensureForRunningBrowsers(); });
    }
    // One read of the window server serves both: it is the costliest part of a quiet tick.
    std::set<WindowID> present;
    std::map<WindowID, Rect> frames;
    if (auto listed = platform_.windowServer.windowList(true)) {
        for (const WindowInfo& info : *listed) {
            if (!info.number) continue;
            present.insert(*info.number);
            if (info.bounds) frames.emplace(*info.number, *info.bounds);
        }
    }
    reconcile(std::move(present));
    correctDrift(frames);
}

void WindowManager::correctDrift(const std::map<WindowID, Rect>& server) {
    const double time = now();
    // While the system rearranges windows for a display change, frames say nothing of drift.
    if (!state_.isRunning || time <= run_.systemMovesUntil) return;
    for (const Display& shown : state_.displays) {
        auto strip = run_.strips.find(shown.uuid);
        if (strip == run_.strips.end()) continue;
        for (WindowID id : strip->second.windows()) {
            ManagedWindow* known = run_.find(id);
            if (!known || !known->lastApplied || time <= known->suppressUntil) continue;
            const Rect wanted = *known->lastApplied;
            if (known->driftRetry && known->driftRetry->wanted == wanted &&
                known->driftRetry->count >= driftCorrections) {
                continue;
            }
            auto actual = server.find(id);
            if (!wanted.intersects(shown.frame) || actual == server.end()) continue;
            const bool coversDisplay = actual->second.width >= shown.frame.width - 1 &&
                                       actual->second.height >= shown.frame.height - 1;
            const bool wantedCovers =
                wanted.width >= shown.frame.width - 1 && wanted.height >= shown.frame.height - 1;
            if (coversDisplay && !wantedCovers &&
                AX::boolean(platform_.accessibility, known->window->element, AXName::fullScreen)
                    .value_or(false)) {
                enterFullscreen(id);
                continue;
            }
            checkDrift(shown.uuid, id, wanted, actual->second);
            // A correction can end the run (it never does today) or change the strip.
            if (!state_.isRunning || !run_.strips.count(shown.uuid)) return;
        }
    }
}

void WindowManager::checkDrift(const std::string& key, WindowID id, const Rect& wanted,
                               const Rect& actual) {
    ManagedWindow* known = run_.find(id);
    if (!state_.isRunning || !known || now() <= known->suppressUntil ||
        platform_.pointer.pressedButtons() != 0) {
        return;
    }
    bool parked = false;
    if (auto shown = display(key)) {
        const double inside = std::min(wanted.maxX(), shown->frame.maxX()) -
                              std::max(wanted.minX(), shown->frame.minX());
        parked = inside < parkedVisibleWidth;
    }
    // Applications often refuse a size off screen, so a parked window is compared by position.
    const bool moved = std::abs(actual.x - wanted.x) > driftTolerance ||
                       std::abs(actual.y - wanted.y) > driftTolerance;
    const bool resized = std::abs(actual.width - wanted.width) > driftTolerance ||
                         std::abs(actual.height - wanted.height) > driftTolerance;
    if (!moved && (parked || !resized)) {
        known->driftRetry.reset();
        return;
    }
    std::string line = "drift ";
    line += std::to_string(id);
    line += ": wanted ";
    line += LogText::wholeFrame(wanted);
    line += " actual ";
    line += LogText::wholeFrame(actual);
    Log::info(line);
    const int count =
        known->driftRetry && known->driftRetry->wanted == wanted ? known->driftRetry->count : 0;
    known->driftRetry = ManagedWindow::SizeRetry{wanted, count + 1};
    dropApplied(id);
    apply(key);
}

}  // namespace tessarin
