#include "engine/window_manager.hpp"

#include <algorithm>
#include <utility>

#include "base/log.hpp"
#include "core/docking_plan.hpp"
#include "engine/log_text.hpp"
#include "system/ax.hpp"

namespace tessarin {

std::shared_ptr<WindowManager> WindowManager::create(Platform platform, Preferences& prefs,
                                                     EngineHooks hooks, Pid ownPid) {
    return std::make_shared<WindowManager>(Key(), platform, prefs, hooks, ownPid);
}

WindowManager::WindowManager(Key, Platform platform, Preferences& prefs, EngineHooks hooks,
                             Pid ownPid)
    : platform_(platform),
      prefs_(prefs),
      hooks_(hooks),
      ownPid_(ownPid),
      displays_(platform.screens, platform.pointer, platform.windowServer),
      tracker_(platform.accessibility, platform.workspace, platform.mainLoop),
      mover_(WindowMover::create(platform.accessibility, platform.queues, platform.mainLoop,
                                 platform.clock)),
      // Three-finger drag is read from the system settings once the input taps arrive.
      webAccessibility_(
          std::make_shared<WebAccessibility>(mover_, platform.workspace, [] { return false; })) {
    if (!hooks_.layoutMemory) hooks_.layoutMemory = &noLayoutMemory_;
    if (!hooks_.input) hooks_.input = &noInput_;
    if (!hooks_.health) hooks_.health = &noHealth_;
    if (!hooks_.pointer) hooks_.pointer = &noPointer_;
    if (!hooks_.preferences) hooks_.preferences = &noPreferences_;
    if (!hooks_.indicator) hooks_.indicator = &noIndicator_;
    if (!hooks_.border) hooks_.border = &noBorder_;
}

WindowManager::~WindowManager() {
    if (workspaceObserver_) platform_.workspace.removeObserver(*workspaceObserver_);
    if (state_.animationTimer) platform_.mainLoop.cancel(*state_.animationTimer);
    tracker_.stopAll();
}

void WindowManager::addActionObserver(std::function<void(Action)> observer) {
    actionObservers_.push_back(std::move(observer));
}

void WindowManager::later(double seconds, std::function<void(WindowManager&)> task) {
    std::weak_ptr<WindowManager> weak = weak_from_this();
    platform_.mainLoop.after(seconds, [weak, task = std::move(task)] {
        if (auto self = weak.lock()) task(*self);
    });
}

void WindowManager::start() {
    if (state_.isRunning || !platform_.accessibility.isProcessTrusted()) return;
    state_.isRunning = true;
    state_.isPaused = false;

    std::weak_ptr<WindowManager> weak = weak_from_this();
    tracker_.setDelegate(std::weak_ptr<WindowTrackerDelegate>(weak_from_this()));
    mover_->setOnMinimumSize([weak](WindowID id, Size actual, Size wanted) {
        if (auto self = weak.lock()) self->adoptMinimumSize(id, actual, wanted);
    });

    refreshDisplays();
    observeSystem();
    hooks_.preferences->observePreferences(*this);

    for (const RunningApplication& app : platform_.workspace.runningApplications()) {
        if (app.activationPolicy != ActivationPolicy::regular || app.pid == ownPid_ ||
            app.terminated)
            continue;
        Pid pid = app.pid;
        tracker_.observe(pid, 0, [weak, pid] {
            if (auto self = weak.lock()) self->addApp(pid);
        });
    }

    hooks_.layoutMemory->restoreSavedLayout(*this);

    std::vector<std::string> uuids;
    for (const Display& display : state_.displays)
        uuids.push_back(display.uuid);
    state_.setupKey = DockingPlan::setupKey(uuids);

    syncFocusFromSystem();
    layoutAll(false);
    hooks_.input->configureInput(*this);
    hooks_.health->start(*this);

    // Browsers expose their page structure only when asked; that is slow, so off the main loop.
    // The task holds only the helper: the engine must never end its life on that thread.
    platform_.queues.background().async(
        [web = webAccessibility_] { web->ensureForRunningBrowsers(); });

    std::vector<std::string> names;
    for (const Display& display : state_.displays)
        names.push_back(display.name);
    std::vector<std::pair<std::string, std::size_t>> counts;
    for (const auto& [key, strip] : state_.strips)
        counts.emplace_back(key, strip.windows().size());
    Log::info("started: displays=" + LogText::quotedList(names) + " windows=" +
              std::to_string(state_.windows.size()) + " strips=" + LogText::countMap(counts) +
              " floating=" + std::to_string(state_.floating.size()) +
              " dormant=" + std::to_string(state_.dormant.size()) +
              " tap=" + LogText::boolean(hooks_.input->swipeTapInstalled()));

    if (onStateChange) onStateChange();
}

void WindowManager::stop(bool paused) {
    if (!state_.isRunning) return;
    Log::info("stopping (paused: " + LogText::boolean(paused) + ")");

    hooks_.layoutMemory->saveLayoutNow(*this);
    hooks_.layoutMemory->releaseWindows(*this);

    state_.isRunning = false;
    state_.isPaused = paused;

    tracker_.stopAll();
    hooks_.input->stopTaps();
    mover_->reset();
    hooks_.health->stop();
    hooks_.indicator->hide();
    hooks_.border->hide();

    if (state_.animationTimer) platform_.mainLoop.cancel(*state_.animationTimer);
    state_.animationTimer.reset();
    hooks_.pointer->stopWaiting();

    if (workspaceObserver_) platform_.workspace.removeObserver(*workspaceObserver_);
    workspaceObserver_.reset();
    hooks_.preferences->stopObserving();

    // Everything per window and per display goes; a later start rebuilds it from the live
    // windows and the saved layout.
    EngineState fresh;
    fresh.isPaused = state_.isPaused;
    fresh.displays = std::move(state_.displays);
    fresh.activeKey = std::move(state_.activeKey);
    fresh.iconCache = std::move(state_.iconCache);
    fresh.lastStack = state_.lastStack;
    fresh.setupKey = std::move(state_.setupKey);
    fresh.lastUserFrameChange = state_.lastUserFrameChange;
    fresh.lastZoomToggle = state_.lastZoomToggle;
    fresh.lastIndicatorUpdate = state_.lastIndicatorUpdate;
    fresh.lastScrollInput = state_.lastScrollInput;
    fresh.healthTicks = state_.healthTicks;
    fresh.reconcileScheduled = state_.reconcileScheduled;
    fresh.layoutScheduled = state_.layoutScheduled;
    fresh.scrollFlushScheduled = state_.scrollFlushScheduled;
    state_ = std::move(fresh);
    hooks_.layoutMemory->cancelPendingSave();

    if (onStateChange) onStateChange();
}

void WindowManager::refreshDisplays() {
    std::set<std::string> oldKeys;
    for (const Display& display : state_.displays)
        oldKeys.insert(display.uuid);
    state_.displays = displays_.current();
    std::set<std::string> newKeys;
    for (const Display& display : state_.displays)
        newKeys.insert(display.uuid);
    if (!state_.isRunning || oldKeys.empty()) return;

    for (const std::string& gone : oldKeys) {
        if (newKeys.count(gone)) continue;
        auto found = state_.strips.find(gone);
        if (found == state_.strips.end()) continue;
        Strip detached = std::move(found->second);
        state_.strips.erase(found);
        state_.detached[gone] = detached;
        if (state_.displays.empty()) continue;

        // Its windows stay usable on the primary display until it returns.
        const std::string& receiver = state_.displays.front().uuid;
        Strip& target = state_.strips[receiver];
        // They go in as one run, keeping their order: after the focused column, or at the end.
        std::int64_t next = static_cast<std::int64_t>(target.columns.size());
        if (prefs_.placement() == NewWindowPlacement::afterFocused && !target.isEmpty()) {
            next = std::clamp<std::int64_t>(target.focusedColumn, 0, next - 1) + 1;
        }
        for (const Column& column : detached.columns) {
            for (WindowID id : column.windows) {
                state_.lastApplied.erase(id);
                if (target.contains(id)) continue;
                target.insertColumn(id, column.widthFraction, next++, false);
                state_.windowDisplay[id] = receiver;
            }
        }
        setNeedsLayout(receiver, false);
    }

    for (const std::string& back : newKeys) {
        if (oldKeys.count(back)) continue;
        auto found = state_.detached.find(back);
        if (found == state_.detached.end()) continue;
        Strip returning = std::move(found->second);
        state_.detached.erase(found);
        for (WindowID id : returning.windows()) {
            auto where = state_.windowDisplay.find(id);
            if (where != state_.windowDisplay.end() && where->second != back) {
                auto holder = state_.strips.find(where->second);
                if (holder != state_.strips.end()) holder->second.remove(id);
            }
            // A window that went dormant or floating meanwhile is no longer the strip's to hold;
            // taking it back would list it twice.
            if (state_.windows.count(id) && !state_.dormant.count(id) &&
                !state_.floating.count(id)) {
                state_.windowDisplay[id] = back;
                state_.lastApplied.erase(id);
            } else {
                returning.remove(id);
            }
        }
        if (returning.isEmpty()) continue;
        // Windows admitted on the display before this refresh go after the returning ones.
        if (auto already = state_.strips.find(back); already != state_.strips.end()) {
            for (Column& column : already->second.columns) {
                returning.columns.push_back(std::move(column));
            }
        }
        state_.strips[back] = std::move(returning);
    }
}

void WindowManager::insertNewColumn(Strip& strip, WindowID id, double fraction, bool focus) const {
    std::optional<std::int64_t> at;
    if (prefs_.placement() == NewWindowPlacement::end) {
        at = static_cast<std::int64_t>(strip.columns.size());
    }
    strip.insertColumn(id, fraction, at, focus);
}

void WindowManager::observeSystem() {
    if (workspaceObserver_) return;
    std::weak_ptr<WindowManager> weak = weak_from_this();
    workspaceObserver_ = platform_.workspace.addObserver(
        [weak](WorkspaceEvent event, const std::optional<RunningApplication>& app) {
            if (auto self = weak.lock()) self->handleWorkspaceEvent(event, app);
        });
}

void WindowManager::handleWorkspaceEvent(WorkspaceEvent event,
                                         const std::optional<RunningApplication>& app) {
    switch (event) {
        case WorkspaceEvent::didLaunchApplication: {
            if (!app || app->activationPolicy != ActivationPolicy::regular || app->pid == ownPid_)
                return;
            Pid pid = app->pid;
            later(0.3, [pid](WindowManager& self) {
                if (!self.state_.isRunning) return;
                std::weak_ptr<WindowManager> weak = self.weak_from_this();
                self.tracker_.observe(pid, 0, [weak, pid] {
                    if (auto me = weak.lock()) me->addApp(pid);
                });
            });
            return;
        }
        case WorkspaceEvent::didTerminateApplication: {
            if (!app) return;
            std::vector<WindowID> gone;
            for (const auto& [id, window] : state_.windows) {
                if (window->pid == app->pid) gone.push_back(id);
            }
            for (WindowID id : gone)
                forget(id);
            tracker_.unobserve(app->pid);
            mover_->release(app->pid);
            return;
        }
        case WorkspaceEvent::didActivateApplication:
            if (app) syncFocusFromSystem();
            return;
        case WorkspaceEvent::didHideApplication:
            if (app) reconcileSoon(0.05);
            return;
        case WorkspaceEvent::didUnhideApplication:
            if (app) reconcileSoon(0.2);
            return;
        case WorkspaceEvent::activeSpaceDidChange:
            // Windows of the new Space announce nothing; look for them twice as they settle.
            later(0.4, [](WindowManager& self) { self.rescanAllApps(); });
            later(1.0, [](WindowManager& self) { self.rescanAllApps(); });
            reconcileSoon(0.4);
            later(1.5, [](WindowManager& self) { self.reconcile(); });
            return;
        case WorkspaceEvent::didWake:
        case WorkspaceEvent::screensDidWake:
        case WorkspaceEvent::sessionDidBecomeActive:
            later(1.2, [](WindowManager& self) {
                if (!self.state_.isRunning) return;
                self.refreshDisplays();
                self.state_.lastApplied.clear();
                self.reconcile();
                self.layoutAll(false);
                self.hooks_.layoutMemory->monitorSetupChanged(self);
                self.hooks_.input->configureInput(self);
            });
            return;
        case WorkspaceEvent::screenParametersDidChange:
            later(0.5, [](WindowManager& self) {
                if (!self.state_.isRunning) return;
                self.refreshDisplays();
                self.state_.lastApplied.clear();
                self.layoutAll(false);
                self.hooks_.layoutMemory->monitorSetupChanged(self);
            });
            return;
    }
}

std::string WindowManager::describe(const AXWindow& window) {
    std::string title =
        AX::string(platform_.accessibility, window.element, "AXTitle").value_or(std::string());
    return LogText::windowDescription(window.id, window.bundleID, title);
}

}  // namespace tessarin
