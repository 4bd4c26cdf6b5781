#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <utility>

#include "core/strip_layout.hpp"
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

bool adjoinsVertically(const Rect& a, const Rect& b) {
    return a.minY() < b.maxY() && a.maxY() > b.minY();
}

}  // namespace

void WindowManager::setNeedsLayout(const std::string& key, bool reveal) {
    bool& flag = state_.needsLayout[key];
    flag = flag || reveal;
    if (state_.layoutScheduled) return;
    state_.layoutScheduled = true;
    // A burst of strip changes in one main-loop turn becomes one layout per display.
    std::weak_ptr<WindowManager> weak = weak_from_this();
    platform_.mainLoop.post([weak] {
        auto self = weak.lock();
        if (!self) return;
        self->state_.layoutScheduled = false;
        auto pending = std::exchange(self->state_.needsLayout, {});
        for (const auto& [key, reveal] : pending)
            self->layout(key, reveal);
        self->hooks_.layoutMemory->scheduleSave(*self);
    });
}

void WindowManager::layout(const std::string& key, bool reveal, std::optional<bool> animated) {
    if (!state_.isRunning) return;
    auto shown = display(key);
    auto found = state_.strips.find(key);
    if (!shown || found == state_.strips.end()) return;
    double target = found->second.scrollOffset;
    if (reveal)
        target = StripLayout::revealScroll(found->second, area(*shown).width, layoutConfig());
    animateScroll(key, target, animated.value_or(prefs_.animate()));
}

void WindowManager::layoutAll(bool animated) {
    std::vector<std::string> keys;
    for (const auto& [key, strip] : state_.strips)
        keys.push_back(key);
    for (const std::string& key : keys) {
        if (!state_.isRunning) return;
        auto shown = display(key);
        auto found = state_.strips.find(key);
        if (!shown || found == state_.strips.end()) continue;
        double target =
            StripLayout::revealScroll(found->second, area(*shown).width, layoutConfig());
        animateScroll(key, target, animated);
    }
}

void WindowManager::animateScroll(const std::string& key, double to, std::optional<bool> animated) {
    auto found = state_.strips.find(key);
    if (found == state_.strips.end()) return;
    const double current = found->second.scrollOffset;
    if (animated.value_or(prefs_.animate()) && std::abs(to - current) > 1.0) {
        // The stored offset stays where it is; each tick moves it along.
        state_.animations[key] = ScrollAnimation{current, to, now(), animationLength()};
        apply(key);
        startAnimationTimer();
        return;
    }
    state_.animations.erase(key);
    found->second.scrollOffset = to;
    apply(key);
}

void WindowManager::startAnimationTimer() {
    if (state_.animationTimer) return;
    int rate = 0;
    for (const ScreenInfo& screen : platform_.screens.screens())
        rate = std::max(rate, screen.maximumFramesPerSecond);
    if (rate == 0) rate = 60;
    rate = std::clamp(rate, 60, 120);
    std::weak_ptr<WindowManager> weak = weak_from_this();
    state_.animationTimer = platform_.mainLoop.every(1.0 / rate, [weak] {
        if (auto self = weak.lock()) self->tick();
    });
}

void WindowManager::tick() {
    std::set<std::string> keys;
    for (const auto& [key, animation] : state_.animations)
        keys.insert(key);
    for (const auto& [key, morph] : state_.morphs)
        keys.insert(key);

    for (const std::string& key : keys) {
        auto running = state_.animations.find(key);
        if (running != state_.animations.end()) {
            const ScrollAnimation animation = running->second;
            auto strip = state_.strips.find(key);
            const bool done = now() - animation.start >= animation.duration;
            if (strip != state_.strips.end()) {
                const double e = easedProgress(animation.start, animation.duration, now());
                strip->second.scrollOffset = animation.from + (animation.to - animation.from) * e;
                apply(key);
            }
            // An animation whose strip went away ends too, or the timer would never stop.
            if (done || strip == state_.strips.end()) {
                state_.animations.erase(key);
                later(0.25, [key](WindowManager& self) { self.verifySizes(key); });
            }
        } else {
            apply(key);
        }
        auto morph = state_.morphs.find(key);
        if (morph != state_.morphs.end() && now() - morph->second.start >= morph->second.duration) {
            state_.morphs.erase(morph);
            later(0.2, [key](WindowManager& self) { self.verifySizes(key); });
        }
    }

    if (state_.animations.empty() && state_.morphs.empty() && state_.animationTimer) {
        platform_.mainLoop.cancel(*state_.animationTimer);
        state_.animationTimer.reset();
    }
}

void WindowManager::apply(const std::string& key) {
    auto shown = display(key);
    auto found = state_.strips.find(key);
    if (!shown || found == state_.strips.end()) return;
    const Strip& strip = found->second;

    WindowMap<Rect> frames =
        StripLayout::frames(strip, strip.scrollOffset, area(*shown), shown->frame, layoutConfig(),
                            neighbourLeft(*shown), neighbourRight(*shown), state_.minHeights);
    if (state_.focusMode) frames = focusFrames(frames, *shown, strip);

    auto morph = state_.morphs.find(key);
    if (morph != state_.morphs.end()) {
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

    for (const auto& [id, frame] : frames) {
        auto window = state_.windows.find(id);
        if (window == state_.windows.end()) continue;
        // Another application's window never gets an infinite or undefined frame, whatever
        // the settings or a reported size led the layout to.
        if (!(std::isfinite(frame.x) && std::isfinite(frame.y) && std::isfinite(frame.width) &&
              std::isfinite(frame.height))) {
            continue;
        }
        auto last = state_.lastApplied.find(id);
        if (last != state_.lastApplied.end() && last->second == frame) continue;
        state_.suppressUntil[id] = now() + 1.0;
        state_.lastApplied[id] = frame;
        mover_->move(window->second, frame);
    }

    if (state_.activeKey == key) updateBorder();

    StripIndicator& indicator = *hooks_.indicator;
    if (indicator.isVisible() && indicator.shownKey() == key &&
        now() - state_.lastIndicatorUpdate > 0.033) {
        state_.lastIndicatorUpdate = now();
        indicator.update(model(key));
    }
}

bool WindowManager::isOwnEcho(WindowID id) {
    auto last = state_.lastApplied.find(id);
    auto window = state_.windows.find(id);
    if (last == state_.lastApplied.end() || window == state_.windows.end()) return false;
    auto position = AX::position(platform_.accessibility, window->second->element);
    auto size = AX::size(platform_.accessibility, window->second->element);
    if (!position || !size) return false;
    const Rect& wanted = last->second;
    return std::abs(position->x - wanted.x) <= 4 && std::abs(position->y - wanted.y) <= 4 &&
           std::abs(size->width - wanted.width) <= 4 && std::abs(size->height - wanted.height) <= 4;
}

double WindowManager::animationLength() const {
    return 0.24 / std::max(prefs_.animationSpeed(), 0.25);
}

Rect WindowManager::area(const Display& display) const {
    return display.visibleFrame.insetBy(prefs_.outerGap());
}

LayoutConfig WindowManager::layoutConfig() const {
    return LayoutConfig{prefs_.gap(), prefs_.centerMode(), 2.0};
}

bool WindowManager::neighbourLeft(const Display& display) const {
    return std::any_of(state_.displays.begin(), state_.displays.end(), [&](const Display& other) {
        return !(other == display) && adjoinsVertically(other.frame, display.frame) &&
               std::abs(other.frame.maxX() - display.frame.minX()) < 2;
    });
}

bool WindowManager::neighbourRight(const Display& display) const {
    return std::any_of(state_.displays.begin(), state_.displays.end(), [&](const Display& other) {
        return !(other == display) && adjoinsVertically(other.frame, display.frame) &&
               std::abs(other.frame.minX() - display.frame.maxX()) < 2;
    });
}

WindowMap<Rect> WindowManager::focusFrames(const WindowMap<Rect>& normal, const Display& display,
                                           const Strip& strip) const {
    const std::int64_t focused = strip.focusedColumn;
    if (focused < 0 || focused >= static_cast<std::int64_t>(strip.columns.size())) return normal;

    const Rect inset = area(display);
    const double w = std::round(inset.width * prefs_.focusWidth());
    const double h = std::round(inset.height * prefs_.focusHeight());
    const bool adjoinsLeft = neighbourLeft(display);
    const bool adjoinsRight = neighbourRight(display);
    const Rect focusRect{std::round(inset.midX() - w * 0.5), std::round(inset.midY() - h * 0.5), w,
                         h};
    const Rect& bounds = display.frame;

    WindowMap<Rect> result = normal;
    for (std::size_t i = 0; i < strip.columns.size(); ++i) {
        const Column& column = strip.columns[i];
        if (static_cast<std::int64_t>(i) == focused) {
            Column alone = column;
            alone.widthFraction = 1.0;
            alone.savedFraction.reset();
            Strip single({alone});
            single.focusedColumn = 0;
            auto frames = StripLayout::frames(single, 0, focusRect, bounds, layoutConfig(), false,
                                              false, state_.minHeights);
            for (const auto& [id, frame] : frames)
                result.insertOrAssign(id, frame);
            continue;
        }
        const bool left = static_cast<std::int64_t>(i) < focused;
        const bool adjoins = left ? adjoinsLeft : adjoinsRight;
        for (WindowID id : column.windows) {
            const Rect* f = normal.find(id);
            if (!f) continue;
            Rect parked = *f;
            if (adjoins) {
                // Hidden below the bottom edge, so it never lands on the neighbouring display.
                parked.x = left ? bounds.minX() : bounds.maxX() - f->width;
                parked.y = bounds.maxY() - 2;
            } else {
                parked.x = left ? bounds.minX() - f->width + 2 : bounds.maxX() - 2;
            }
            result.insertOrAssign(id, parked);
        }
    }
    return result;
}

}  // namespace tessarin
