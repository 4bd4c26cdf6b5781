#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <utility>

#include "core/strip_layout.hpp"
#include "engine/engine_timing.hpp"
#include "engine/layout_geometry.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

// Scrolls and morphs advance with the same ease-out curve.
double easedProgress(double start, double duration, double now) {
    const double t = duration > 0 ? std::min((now - start) / duration, 1.0) : 1.0;
    const double rest = 1.0 - std::max(t, 0.0);
    return 1.0 - rest * rest * rest;
}

double blend(double from, double to, double e) {
    return std::round(from + e * (to - from));
}

}  // namespace

void WindowManager::setNeedsLayout(const std::string& key, bool reveal) {
    bool& flag = run_.needsLayout[key];
    flag = flag || reveal;
    if (state_.layoutScheduled) return;
    state_.layoutScheduled = true;
    // A burst of strip changes in one main-loop turn becomes one layout per display.
    std::weak_ptr<WindowManager> weak = weak_from_this();
    platform_.mainLoop.post([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->state_.layoutScheduled = false;
        auto pending = std::exchange(self->run_.needsLayout, {});
        for (const auto& [key, reveal] : pending)
            self->layout(key, reveal);
        self->scheduleSave();
    });
}

void WindowManager::layout(const std::string& key, bool reveal, std::optional<bool> animated) {
    if (!state_.isRunning) return;
    auto shown = display(key);
    auto found = run_.strips.find(key);
    if (!shown || found == run_.strips.end()) return;
    double target = found->second.scrollOffset;
    if (reveal) {
        const LayoutGeometry where = geometry(*shown);
        target = StripLayout::revealScroll(found->second, where.area.width, where.config);
    }
    animateScroll(key, target, animated.value_or(prefs_.animate()));
}

void WindowManager::layoutAll(bool animated) {
    std::vector<std::string> keys;
    for (const auto& [key, strip] : run_.strips)
        keys.push_back(key);
    for (const std::string& key : keys) {
        if (!state_.isRunning) return;
        layout(key, true, animated);
    }
}

void WindowManager::animateScroll(const std::string& key, double to, std::optional<bool> animated) {
    auto found = run_.strips.find(key);
    if (found == run_.strips.end()) return;
    const double current = found->second.scrollOffset;
    if (animated.value_or(prefs_.animate()) &&
        std::abs(to - current) > EngineTiming::animateAbove) {
        // The stored offset stays where it is; each tick moves it along.
        run_.animations[key] = ScrollAnimation{
            current, to, now(), EngineTiming::animationLength(prefs_.animationSpeed())};
        apply(key);
        startAnimationTimer();
        return;
    }
    run_.animations.erase(key);
    found->second.scrollOffset = to;
    apply(key);
}

void WindowManager::startAnimationTimer() {
    if (run_.animationTimer) return;
    int rate = 0;
    for (const ScreenInfo& screen : platform_.screens.screens())
        rate = std::max(rate, screen.maximumFramesPerSecond);
    rate = std::clamp(rate, EngineTiming::slowestTickRate, EngineTiming::fastestTickRate);
    std::weak_ptr<WindowManager> weak = weak_from_this();
    run_.animationTimer = platform_.mainLoop.every(1.0 / rate, [weak] {
        if (auto self = weak.lock()) self->tick();
    });
}

void WindowManager::tick() {
    std::set<std::string> keys;
    for (const auto& [key, animation] : run_.animations)
        keys.insert(key);
    for (const auto& [key, morph] : run_.morphs)
        keys.insert(key);

    for (const std::string& key : keys) {
        auto running = run_.animations.find(key);
        if (running != run_.animations.end()) {
            const ScrollAnimation animation = running->second;
            auto strip = run_.strips.find(key);
            const bool done = now() - animation.start >= animation.duration;
            if (strip != run_.strips.end()) {
                const double e = easedProgress(animation.start, animation.duration, now());
                strip->second.scrollOffset = animation.from + (animation.to - animation.from) * e;
                apply(key);
            }
            // An animation whose strip went away ends too, or the timer would never stop.
            if (done || strip == run_.strips.end()) {
                run_.animations.erase(key);
                later(EngineTiming::verifyAfterScroll,
                      [key](WindowManager& self) { self.verifySizes(key); });
            }
        } else {
            apply(key);
        }
        auto morph = run_.morphs.find(key);
        if (morph != run_.morphs.end() && now() - morph->second.start >= morph->second.duration) {
            run_.morphs.erase(morph);
            later(EngineTiming::verifyAfterMorph,
                  [key](WindowManager& self) { self.verifySizes(key); });
        }
    }

    if (run_.animations.empty() && run_.morphs.empty() && run_.animationTimer) {
        platform_.mainLoop.cancel(*run_.animationTimer);
        run_.animationTimer.reset();
    }
}

void WindowManager::apply(const std::string& key) {
    auto shown = display(key);
    auto found = run_.strips.find(key);
    if (!shown || found == run_.strips.end()) return;
    const Strip& strip = found->second;

    WindowMap<Rect> frames = layoutFrames(*shown, strip);

    auto morph = run_.morphs.find(key);
    if (morph != run_.morphs.end()) {
        const double e = easedProgress(morph->second.start, morph->second.duration, now());
        frames.refill([&, targets = frames](auto add) {
            for (const auto& [id, target] : targets) {
                const Rect* from = morph->second.from.find(id);
                if (!from) {
                    add(id, target);
                    continue;
                }
                add(id, Rect{blend(from->x, target.x, e), blend(from->y, target.y, e),
                             blend(from->width, target.width, e),
                             blend(from->height, target.height, e)});
            }
        });
    }

    const std::optional<WindowID> focused = strip.focusedWindow();
    bool focusedMoved = false;
    for (const auto& [id, frame] : frames) {
        ManagedWindow* known = run_.find(id);
        if (!known || known->lastApplied == frame) continue;
        // Another application's window never gets an infinite or undefined frame, whatever
        // the settings or a reported size led the layout to.
        if (!(std::isfinite(frame.x) && std::isfinite(frame.y) && std::isfinite(frame.width) &&
              std::isfinite(frame.height))) {
            continue;
        }
        known->suppressUntil = now() + EngineTiming::ownWriteSuppress;
        known->lastApplied = frame;
        mover_->move(known->window, frame);
        focusedMoved = focusedMoved || id == focused;
    }

    // The border is placed again only when the focused window or its frame changed; the
    // focus paths call it after every raise, which it has to be stacked above again.
    if (state_.activeKey == key && (focusedMoved || state_.borderShownFor != focused)) {
        updateBorder();
    }

    StripIndicator& indicator = *hooks_.indicator;
    if (indicator.isVisible() && indicator.shownKey() == key &&
        now() - state_.lastIndicatorUpdate > EngineTiming::indicatorRefresh) {
        state_.lastIndicatorUpdate = now();
        indicator.update(model(key));
    }
    if (onLayoutChange) onLayoutChange();
}

WindowMap<Rect> WindowManager::layoutFrames(const Display& shown, const Strip& strip) const {
    const LayoutGeometry where = geometry(shown);
    WindowMap<Rect> frames =
        StripLayout::frames(strip, strip.scrollOffset, where.area, where.bounds, where.config,
                            where.neighbourLeft, where.neighbourRight, run_.minHeights);
    if (run_.focusMode) {
        frames = focusFrames(frames, where, strip, prefs_.focusWidth(), prefs_.focusHeight(),
                             run_.minHeights);
    }
    return frames;
}

bool WindowManager::isOwnEcho(WindowID id) {
    const ManagedWindow* known = run_.find(id);
    if (!known || !known->lastApplied) return false;
    auto position = AX::position(platform_.accessibility, known->window->element);
    auto size = AX::size(platform_.accessibility, known->window->element);
    if (!position || !size) return false;
    const Rect& wanted = *known->lastApplied;
    const double tolerance = EngineTiming::echoTolerance;
    return std::abs(position->x - wanted.x) <= tolerance &&
           std::abs(position->y - wanted.y) <= tolerance &&
           std::abs(size->width - wanted.width) <= tolerance &&
           std::abs(size->height - wanted.height) <= tolerance;
}

void WindowManager::dropApplied(WindowID id) {
    if (ManagedWindow* known = run_.find(id)) known->lastApplied.reset();
    mover_->forget(id);
}

WindowMap<Rect> WindowManager::appliedFrames(const Strip& strip) const {
    WindowMap<Rect> frames;
    for (WindowID id : strip.windows()) {
        const ManagedWindow* known = run_.find(id);
        if (known && known->lastApplied) frames.insertOrAssign(id, *known->lastApplied);
    }
    return frames;
}

LayoutGeometry WindowManager::geometry(const Display& display) const {
    return LayoutGeometry::of(display, state_.displays, prefs_.gap(), prefs_.outerGap(),
                              prefs_.centerMode());
}

}  // namespace tessarin
