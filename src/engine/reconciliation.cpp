#include <algorithm>
#include <utility>

#include "base/log.hpp"
#include "engine/engine_timing.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

using namespace EngineTiming;

void WindowManager::forget(WindowID id) {
    std::optional<Pid> pid;
    std::optional<std::string> key;
    if (const ManagedWindow* known = run_.find(id)) {
        pid = known->window->pid;
        key = known->display;
    }
    std::optional<std::int64_t> column;
    if (key) {
        if (auto strip = run_.strips.find(*key); strip != run_.strips.end()) {
            if (auto place = strip->second.locate(id)) {
                column = static_cast<std::int64_t>(place->first);
            }
        }
    }

    bool wasFocused = false;
    if (const auto& previous = run_.previousFocus) {
        wasFocused = key && previous->window == id && previous->key == *key &&
                     now() - previous->time < previousFocusLife;
    }
    if (state_.activeKey) {
        if (auto active = run_.strips.find(*state_.activeKey); active != run_.strips.end()) {
            wasFocused = wasFocused || active->second.focusedWindow() == id;
        }
    }
    if (run_.focusAfterClose && run_.focusAfterClose->window == id) {
        run_.focusAfterClose.reset();
    }

    // The record goes with everything in it; the sets that the engine walks are cleared here.
    run_.windows.erase(id);
    run_.floating.erase(id);
    run_.dormant.erase(id);
    run_.minHeights.erase(id);
    run_.fullscreenWaiting.erase(id);
    run_.fullscreenManaged.erase(id);
    run_.pendingMoves.erase(id);
    run_.pendingResizes.erase(id);
    tracker_.forgetWindow(id);
    mover_->forget(id);
    if (onLayoutChange) onLayoutChange();

    if (!key) return;
    auto strip = run_.strips.find(*key);
    if (strip == run_.strips.end()) return;
    const std::size_t columnsBefore = strip->second.columns.size();
    if (!strip->second.remove(id)) return;
    Log::info("removed " + std::to_string(id) + " from strip");
    if (column && wasFocused) {
        // When the window's column went with it, its old index now names the right neighbour;
        // the search must start from the left one.
        const bool columnGone = strip->second.columns.size() < columnsBefore;
        if (auto next = neighbourAfterClose(*key, columnGone ? *column - 1 : *column, pid)) {
            run_.previousFocus.reset();
            run_.focusAfterClose = EngineRun::FocusAfterClose{*next, now() + closeFocusHold};
            strip->second.focus(*next);
            state_.activeKey = *key;
            Log::info("focused window closed: focusing its neighbour " + std::to_string(*next));
            const WindowID target = *next;
            later(focusNeighbourDelay, [target](WindowManager& self) {
                if (self.state_.isRunning) self.focusWindow(target);
            });
        }
    }
    setNeedsLayout(*key, true);
}

std::optional<WindowID> WindowManager::neighbourAfterClose(const std::string& key,
                                                           std::int64_t column,
                                                           std::optional<Pid> closingPid) {
    auto found = run_.strips.find(key);
    if (found == run_.strips.end() || found->second.isEmpty()) return std::nullopt;
    const Strip& strip = found->second;
    const auto count = static_cast<std::int64_t>(strip.columns.size());

    // Windows of an application that is quitting are about to close as well.
    std::optional<bool> closingAppRuns;
    auto acceptable = [&](std::int64_t index) -> std::optional<WindowID> {
        auto candidate = strip.columns[static_cast<std::size_t>(index)].activeWindow();
        if (!candidate) return std::nullopt;
        const ManagedWindow* known = run_.find(*candidate);
        if (!known) return std::nullopt;
        if (!closingPid || known->window->pid != *closingPid) return candidate;
        if (!closingAppRuns) {
            auto app = platform_.workspace.application(*closingPid);
            closingAppRuns = app && !app->terminated;
        }
        return *closingAppRuns ? candidate : std::nullopt;
    };

    bool columnIntact = column >= 0 && column < count;
    if (columnIntact) {
        for (WindowID id : strip.columns[static_cast<std::size_t>(column)].windows) {
            columnIntact = columnIntact && run_.windows.count(id) > 0;
        }
    }
    const std::int64_t start = columnIntact ? column : column - 1;
    for (std::int64_t i = std::min(start, count - 1); i >= 0; --i) {
        if (auto accepted = acceptable(i)) return accepted;
    }
    for (std::int64_t i = std::max<std::int64_t>(column + 1, 0); i < count; ++i) {
        if (auto accepted = acceptable(i)) return accepted;
    }
    return std::nullopt;
}

void WindowManager::reconcileSoon(double delay) {
    if (state_.reconcileScheduled) return;
    state_.reconcileScheduled = true;
    later(delay, [](WindowManager& self) {
        self.state_.reconcileScheduled = false;
        self.reconcile();
    });
}

void WindowManager::parkDormant(WindowID id, const std::string& key, std::size_t column) {
    Strip& strip = run_.strips[key];
    const Column& held = strip.columns[column];
    Dormant place;
    place.displayUUID = key;
    place.widthFraction = held.widthFraction;
    if (column > 0 && !strip.columns[column - 1].windows.empty()) {
        place.leftNeighbour = strip.columns[column - 1].windows.front();
    }
    place.index = static_cast<std::int64_t>(column);
    place.savedFraction = held.savedFraction;
    place.zoomed = held.zoomed;
    run_.dormant[id] = std::move(place);
    strip.remove(id);
    // Off screen, the window may be changed by anyone; its return is written whole.
    dropApplied(id);
    // Parked by full screen between two reconciliations, a window starts its misses afresh.
    if (ManagedWindow* known = run_.find(id)) known->missCount = 0;
}

void WindowManager::reconcile(std::optional<std::set<WindowID>> listed) {
    if (!state_.isRunning) return;
    run_.presentCache.reset();
    const std::set<WindowID> present = listed ? std::move(*listed) : presentIDs();
    if (present.empty()) {
        // An unreadable list (or a locked screen), never a desktop where every window closed.
        Log::info("reconcile skipped: empty window list");
        return;
    }

    std::vector<std::string> keys;
    for (const auto& [key, strip] : run_.strips)
        keys.push_back(key);
    for (const std::string& key : keys) {
        bool parked = false;
        for (std::size_t c = run_.strips[key].columns.size(); c-- > 0;) {
            const std::vector<WindowID> held = run_.strips[key].columns[c].windows;
            for (WindowID id : held) {
                ManagedWindow* known = run_.find(id);
                if (!known) {
                    // Only known windows are tiled; one that is not is dropped, not fought.
                    Log::info("bookkeeping: unknown window " + std::to_string(id) +
                              " left the strip of " + key);
                    run_.strips[key].remove(id);
                    parked = true;
                    continue;
                }
                if (present.count(id)) {
                    known->missCount = 0;
                    continue;
                }
                // A window that flickers off screen during a Space switch keeps its place.
                if (++known->missCount < missesToPark) {
                    reconcileSoon(missRecheck);
                    continue;
                }
                Log::info("dormant " + std::to_string(id) +
                          ": no longer on screen (other Space, minimized or hidden)");
                // The column can have lost rows already, but it is still at index c.
                parkDormant(id, key, c);
                parked = true;
            }
        }
        if (parked) setNeedsLayout(key, true);
    }

    std::vector<std::pair<WindowID, Dormant>> returning;
    for (const auto& [id, place] : run_.dormant) {
        const ManagedWindow* known = run_.find(id);
        if (!present.count(id) || !known) continue;
        if (AX::boolean(platform_.accessibility, known->window->element, AXName::fullScreen)
                .value_or(false)) {
            continue;
        }
        returning.emplace_back(id, place);
    }
    std::stable_sort(returning.begin(), returning.end(),
                     [](const auto& a, const auto& b) { return a.second.index < b.second.index; });
    for (const auto& [id, place] : returning)
        returnToStrip(id, place);
}

void WindowManager::returnToStrip(WindowID id, const Dormant& place) {
    run_.dormant.erase(id);
    if (run_.fullscreenManaged.erase(id)) {
        Log::info("left full screen: " + std::to_string(id) + " returns to its place");
    } else {
        Log::info("back on screen: " + std::to_string(id));
    }

    const std::string key = tileTarget(place.displayUUID).value_or(place.displayUUID);
    Strip& strip = run_.strips[key];
    std::int64_t position = std::min(place.index, static_cast<std::int64_t>(strip.columns.size()));
    if (place.leftNeighbour) {
        if (auto left = strip.locate(*place.leftNeighbour)) {
            position = static_cast<std::int64_t>(left->first) + 1;
        }
    }
    const bool focused = systemFocusedWindow() == id;
    // A column returning before the focused one pushes it along; it must stay in view.
    const bool pushesFocus = !strip.isEmpty() && position <= strip.focusedColumn;
    strip.insertColumn(id, place.widthFraction, position, focused);
    if (ManagedWindow* known = run_.find(id)) known->display = key;
    if (focused) state_.activeKey = key;
    setNeedsLayout(key, focused || pushesFocus);
    if (auto at = strip.locate(id)) {
        Column& column = strip.columns[at->first];
        column.savedFraction = place.savedFraction;
        column.zoomed = place.zoomed;
    }
}

void WindowManager::enterFullscreen(WindowID id) {
    ManagedWindow* known = tiledWindow(id);
    if (!known) return;
    const std::string key = *known->display;
    const auto place = run_.strips[key].locate(id);
    Log::info("entered full screen: " + std::to_string(id) + " keeps its place on the strip");
    run_.fullscreenManaged.insert(id);
    parkDormant(id, key, place->first);
    run_.pendingMoves.erase(id);
    run_.pendingResizes.erase(id);
    known->sizeRetry.reset();
    setNeedsLayout(key, true);
}

void WindowManager::rescanAllApps() {
    if (!state_.isRunning) return;
    std::weak_ptr<WindowManager> weak = weak_from_this();
    for (const RunningApplication& app : platform_.workspace.runningApplications()) {
        if (app.activationPolicy != ActivationPolicy::regular || app.pid == ownPid_ ||
            app.terminated) {
            continue;
        }
        const Pid pid = app.pid;
        if (!tracker_.isObserving(pid)) {
            tracker_.observe(pid, 0, [weak, pid] {
                if (auto self = weak.lock()) self->addApp(pid);
            });
            continue;
        }
        // Listing a hung application's windows would stall the main loop; its queue waits
        // instead, and only the engine's own bookkeeping happens back on the main loop.
        Accessibility& ax = platform_.accessibility;
        MainLoop& mainLoop = platform_.mainLoop;
        const AXElement appElement = tracker_.appElement(pid);
        mover_->read(pid, [weak, &ax, &mainLoop, appElement, pid] {
            std::vector<std::pair<AXElement, WindowID>> found;
            for (const AXElement& element : AX::elements(ax, appElement, AXName::windows)) {
                WindowID number = 0;
                if (ax.windowNumber(element, number) == AXError::success && number != 0) {
                    found.emplace_back(element, number);
                }
            }
            if (found.empty()) return;
            mainLoop.post([weak, found = std::move(found), pid] {
                if (auto self = weak.lock()) self->considerRescanned(found, pid);
            });
        });
    }
}

void WindowManager::considerRescanned(const std::vector<std::pair<AXElement, WindowID>>& found,
                                      Pid pid) {
    if (!state_.isRunning) return;
    for (const auto& [element, id] : found) {
        // A refused window is looked at again: its role or size may have arrived late, after
        // both admission attempts. Refusals are still logged only once.
        if (run_.windows.count(id)) continue;
        if (run_.fullscreenWaiting.count(id) &&
            AX::boolean(platform_.accessibility, element, AXName::fullScreen).value_or(false)) {
            continue;
        }
        consider(element, pid);
    }
}

}  // namespace tessarin
