#include "engine/window_manager.hpp"

#include <algorithm>
#include <utility>

#include "base/log.hpp"
#include "engine/engine_timing.hpp"
#include "engine/log_text.hpp"
#include "platform/ax_names.hpp"
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
    if (!hooks_.input) hooks_.input = &noInput_;
    if (!hooks_.indicator) hooks_.indicator = &noIndicator_;
    if (!hooks_.border) hooks_.border = &noBorder_;
}

WindowManager::~WindowManager() {
    if (workspaceObserver_) platform_.workspace.removeObserver(*workspaceObserver_);
    if (run_.animationTimer) platform_.mainLoop.cancel(*run_.animationTimer);
    stopHealthChecks();
    stopWaitingForMouseUp();
    if (run_.prefsTimer) platform_.mainLoop.cancel(*run_.prefsTimer);
    if (prefsObserver_) prefs_.willChange.disconnect(*prefsObserver_);
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
    // The tracker sees only its delegate's face of the engine, sharing the engine's lifetime.
    tracker_.setDelegate(
        std::weak_ptr<WindowTrackerDelegate>(std::shared_ptr<WindowTrackerDelegate>(
            shared_from_this(), static_cast<WindowTrackerDelegate*>(this))));
    mover_->setOnMinimumSize([weak](WindowID id, Size actual, Size wanted) {
        if (auto self = weak.lock()) self->adoptMinimumSize(id, actual, wanted);
    });

    refreshDisplays();
    observeSystem();
    observePreferences();
    run_.appliedPrefs = prefsSnapshot();

    for (const RunningApplication& app : platform_.workspace.runningApplications()) {
        if (app.activationPolicy != ActivationPolicy::regular || app.pid == ownPid_ ||
            app.terminated)
            continue;
        Pid pid = app.pid;
        tracker_.observe(pid, 0, [weak, pid] {
            if (auto self = weak.lock()) self->addApp(pid);
        });
    }

    restoreSavedLayout();
    if (!state_.displays.empty()) state_.setupKey = currentSetupKey();
    syncFocusFromSystem();
    layoutAll(false);
    hooks_.input->configureInput(*this);
    startHealthChecks();

    // Browsers expose their page structure only when asked; that is slow, so off the main loop.
    // The task holds only the helper: the engine must never end its life on that thread.
    platform_.queues.background().async(
        [web = webAccessibility_] { web->ensureForRunningBrowsers(); });

    std::vector<std::string> names;
    for (const Display& display : state_.displays)
        names.push_back(display.name);
    std::vector<std::pair<std::string, std::size_t>> counts;
    for (const auto& [key, strip] : run_.strips)
        counts.emplace_back(key, strip.windows().size());
    Log::info("started: displays=" + LogText::quotedList(names) + " windows=" +
              std::to_string(run_.windows.size()) + " strips=" + LogText::countMap(counts) +
              " floating=" + std::to_string(run_.floating.size()) +
              " dormant=" + std::to_string(run_.dormant.size()) +
              " tap=" + LogText::boolean(hooks_.input->swipeTapInstalled()));

    if (onStateChange) onStateChange();
    if (onLayoutChange) onLayoutChange();
}

void WindowManager::stop(bool paused) {
    if (!state_.isRunning) return;
    Log::info("stopping (paused: " + LogText::boolean(paused) + ")");

    // The taps go first: a gesture they cut off settles while the strip is still ours, and
    // nothing they hand on later can move a window released below.
    hooks_.input->stopTaps();
    saveLayoutNow();
    releaseWindows();

    state_.isRunning = false;
    state_.isPaused = paused;

    tracker_.stopAll();
    mover_->reset();
    stopHealthChecks();
    hooks_.indicator->hide();
    hooks_.border->hide();

    if (run_.animationTimer) platform_.mainLoop.cancel(*run_.animationTimer);
    run_.animationTimer.reset();
    stopWaitingForMouseUp();

    if (workspaceObserver_) platform_.workspace.removeObserver(*workspaceObserver_);
    workspaceObserver_.reset();
    if (run_.prefsTimer) platform_.mainLoop.cancel(*run_.prefsTimer);

    // Everything per window and per display goes; a later start rebuilds it from the live
    // windows and the saved layout.
    cancelPendingSave();
    run_ = {};

    if (onStateChange) onStateChange();
    if (onLayoutChange) onLayoutChange();
}

void WindowManager::refreshDisplays() {
    std::set<std::string> oldKeys;
    for (const Display& display : state_.displays)
        oldKeys.insert(display.uuid);
    state_.displays = displays_.current();
    std::set<std::string> newKeys;
    for (const Display& display : state_.displays)
        newKeys.insert(display.uuid);
    if (onLayoutChange) onLayoutChange();
    if (!state_.isRunning) return;

    for (const std::string& gone : oldKeys) {
        if (newKeys.count(gone)) continue;
        auto found = run_.strips.find(gone);
        if (found == run_.strips.end()) continue;
        // Misses counted on a display that went say nothing about the windows' next place.
        for (WindowID id : found->second.windows())
            if (ManagedWindow* known = run_.find(id)) known->missCount = 0;
        run_.detached[gone] = std::move(found->second);
        run_.strips.erase(found);
    }

    for (const std::string& back : newKeys) {
        auto found = run_.detached.find(back);
        if (found == run_.detached.end()) continue;
        Strip returning = std::move(found->second);
        run_.detached.erase(found);
        for (WindowID id : returning.windows()) {
            ManagedWindow* known = run_.find(id);
            if (known && known->display && *known->display != back) {
                auto holder = run_.strips.find(*known->display);
                if (holder != run_.strips.end()) holder->second.remove(id);
            }
            // A window that went dormant or floating meanwhile is no longer the strip's to hold;
            // taking it back would list it twice.
            if (known && !run_.dormant.count(id) && !run_.floating.count(id)) {
                known->display = back;
                dropApplied(id);
            } else {
                returning.remove(id);
            }
        }
        if (returning.isEmpty()) continue;
        // Windows admitted on the display before this refresh go after the returning ones.
        if (auto already = run_.strips.find(back); already != run_.strips.end()) {
            for (Column& column : already->second.columns) {
                returning.columns.push_back(std::move(column));
            }
        }
        run_.strips[back] = std::move(returning);
    }

    for (const auto& [key, strip] : run_.detached)
        lendToPrimary(key, strip);
}

void WindowManager::lendToPrimary(const std::string& key, const Strip& detached) {
    // Its windows stay usable on the first tiled display until their own returns. Only windows
    // the detached strip still holds move: after the last display went, they waited in no strip.
    auto first = std::find_if(state_.displays.begin(), state_.displays.end(),
                              [&](const Display& d) { return !isExcluded(d.uuid); });
    if (first == state_.displays.end()) return;
    const std::string receiver = first->uuid;
    std::optional<std::int64_t> next;
    for (const Column& column : detached.columns) {
        for (WindowID id : column.windows) {
            ManagedWindow* known = run_.find(id);
            if (!known || known->display != key || run_.dormant.count(id) ||
                run_.floating.count(id)) {
                continue;
            }
            Strip& target = run_.strips[receiver];
            if (!next) {
                // One run, in order: after the focused column, or at the end.
                const auto count = static_cast<std::int64_t>(target.columns.size());
                next = count;
                if (prefs_.placement() == NewWindowPlacement::afterFocused && count > 0) {
                    next = std::clamp<std::int64_t>(target.focusedColumn, 0, count - 1) + 1;
                }
            }
            dropApplied(id);
            known->display = receiver;
            if (!target.contains(id))
                target.insertColumn(id, column.widthFraction, (*next)++, false);
        }
    }
    if (next) setNeedsLayout(receiver, false);
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
            later(EngineTiming::launchObserveDelay, [pid](WindowManager& self) {
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
            for (const auto& [id, window] : run_.windows) {
                if (window.window->pid == app->pid) gone.push_back(id);
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
            if (app) reconcileSoon(EngineTiming::hideReconcile);
            return;
        case WorkspaceEvent::didUnhideApplication:
            if (app) reconcileSoon(EngineTiming::unhideReconcile);
            return;
        case WorkspaceEvent::activeSpaceDidChange:
            // Windows of the new Space announce nothing; look for them as they settle.
            for (double delay : EngineTiming::spaceRescans)
                later(delay, [](WindowManager& self) { self.rescanAllApps(); });
            reconcileSoon(EngineTiming::spaceReconcileSoon);
            later(EngineTiming::spaceReconcile, [](WindowManager& self) { self.reconcile(); });
            return;
        case WorkspaceEvent::didWake:
        case WorkspaceEvent::screensDidWake:
        case WorkspaceEvent::sessionDidBecomeActive:
            ignoreSystemMoves(EngineTiming::wakeSettle);
            later(EngineTiming::wakeSettle, [](WindowManager& self) {
                if (!self.state_.isRunning) return;
                self.followDisplayChange();
                self.reconcile();
                self.layoutAll(false);
                self.monitorSetupChanged();
                self.hooks_.input->configureInput(self);
            });
            return;
        case WorkspaceEvent::screenParametersDidChange:
            ignoreSystemMoves(EngineTiming::screenChangeSettle);
            later(EngineTiming::screenChangeSettle, [](WindowManager& self) {
                if (!self.state_.isRunning) return;
                self.followDisplayChange();
                self.layoutAll(false);
                self.monitorSetupChanged();
            });
            return;
    }
}

void WindowManager::ignoreSystemMoves(double settle) {
    // The system moves windows off a display that went, or back after a wake; none of that is
    // a drag by the user, and the display change itself writes every window anew.
    run_.pendingMoves.clear();
    run_.pendingResizes.clear();
    stopWaitingForMouseUp();
    run_.systemMovesUntil = std::max(run_.systemMovesUntil, now() + settle);
}

void WindowManager::followDisplayChange() {
    const bool hadNone = state_.displays.empty();
    refreshDisplays();
    // Every window may have been moved by the system: write each one whole again.
    for (const auto& [id, window] : run_.windows)
        dropApplied(id);
    // Windows that opened while no display was connected were refused for want of one.
    if (hadNone && !state_.displays.empty()) rescanAllApps();
}

std::string WindowManager::describe(const AXWindow& window) {
    std::string title =
        AX::string(platform_.accessibility, window.element, AXName::title).value_or(std::string());
    return LogText::windowDescription(window.id, window.bundleID, title);
}

}  // namespace tessarin
