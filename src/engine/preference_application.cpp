#include "engine/engine_timing.hpp"
#include "engine/window_manager.hpp"

// Settings change at any time, often in bursts (a slider being dragged). Those read at the
// moment of use need nothing; the rest are compared with what was last acted on, and only the
// reactions whose inputs changed run, in a fixed order: input, rules, layout, border.

namespace tessarin {

void WindowManager::observePreferences() {
    // One subscription for the engine's life; changes while stopped are simply not acted on.
    if (prefsObserver_) return;
    std::weak_ptr<WindowManager> weak = weak_from_this();
    prefsObserver_ = prefs_.willChange.connect([weak](std::string_view) {
        auto self = weak.lock();
        if (!self) return;
        if (self->run_.prefsTimer) self->platform_.mainLoop.cancel(*self->run_.prefsTimer);
        self->run_.prefsTimer = self->platform_.mainLoop.after(EngineTiming::prefsSettle, [weak] {
            if (auto again = weak.lock()) {
                again->run_.prefsTimer.reset();
                again->preferencesChanged();
            }
        });
    });
}

EngineView WindowManager::view() const {
    // The displays kept out of tiling as the engine last acted on them: a change of the setting
    // reaches the strips only when its burst has settled.
    return EngineView(
        state_, run_,
        run_.appliedPrefs ? run_.appliedPrefs->rules.second : prefs_.excludedDisplays());
}

PrefsSnapshot WindowManager::prefsSnapshot() const {
    PrefsSnapshot snapshot;
    snapshot.layout = {prefs_.gap(), prefs_.outerGap(), prefs_.focusWidth(), prefs_.focusHeight()};
    snapshot.centerMode = prefs_.centerMode();
    snapshot.input = {prefs_.gesturesEnabled(),    prefs_.gestureFingers(),
                      prefs_.gestureSensitivity(), prefs_.naturalSwipe(),
                      prefs_.modifierScroll(),     prefs_.baseModifier()};
    snapshot.rules = {prefs_.floatingApps(), prefs_.excludedDisplays()};
    snapshot.border = {prefs_.focusBorder(), prefs_.focusBorderWidth()};
    return snapshot;
}

void WindowManager::preferencesChanged() {
    if (!state_.isRunning) return;
    const PrefsSnapshot fresh = prefsSnapshot();
    const PrefsSnapshot old = run_.appliedPrefs.value_or(fresh);
    run_.appliedPrefs = fresh;

    if (fresh.input != old.input) hooks_.input->configureInput(*this);
    if (fresh.rules != old.rules) {
        applyFloatingRules();
        // A display no longer kept out takes the windows waiting for one that went.
        for (const auto& [key, strip] : run_.detached)
            lendToPrimary(key, strip);
    }
    if (fresh.layout != old.layout || fresh.centerMode != old.centerMode) {
        // Windows glide to their new gaps or focus-mode size.
        const bool animate = prefs_.animate();
        std::vector<std::string> keys;
        for (const auto& [key, strip] : run_.strips) {
            keys.push_back(key);
            if (animate) {
                run_.morphs[key] = Morph{appliedFrames(strip), now(),
                                         EngineTiming::animationLength(prefs_.animationSpeed())};
            }
        }
        for (const std::string& key : keys)
            setNeedsLayout(key, true);
        if (animate) startAnimationTimer();
    }
    if (fresh.border != old.border) updateBorder();
}

void WindowManager::applyFloatingRules() {
    for (auto& [id, known] : run_.windows) {
        const bool excluded = isExcluded(known.display.value_or(""));
        const bool shouldBeFloating = shouldFloat(*known.window) || excluded;
        if (shouldBeFloating) {
            if (!known.display) continue;
            auto strip = run_.strips.find(*known.display);
            if (strip == run_.strips.end() || !strip->second.remove(id)) continue;
            // It keeps the frame it has; misses count only for tiled windows.
            run_.floating.insert(id);
            known.missCount = 0;
            dropApplied(id);
            setNeedsLayout(*known.display, true);
        } else if (run_.floating.count(id) && known.display && display(*known.display)) {
            run_.floating.erase(id);
            insertNewColumn(run_.strips[*known.display], id, prefs_.defaultWidth(), false);
            setNeedsLayout(*known.display, false);
        }
    }
}

}  // namespace tessarin
