#include <algorithm>
#include <cmath>

#include "base/log.hpp"
#include "core/strip_layout.hpp"
#include "engine/engine_timing.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

// Continuous input slides the strip under the fingers and settles it on a window when the
// gesture ends; the user's own drags and resizes of tiled windows are taken into the strip
// once the mouse button comes up.

namespace tessarin {

using namespace EngineTiming;

namespace {

constexpr std::uint32_t kLeftButton = 1;

}  // namespace

double WindowManager::swipeReferenceWidth() {
    auto shown = run_.gestureKey ? display(*run_.gestureKey) : std::nullopt;
    if (!shown) shown = displays_.underMouse(state_.displays);
    return shown ? geometry(*shown).area.width : defaultReferenceWidth;
}

void WindowManager::inputScroll(double distance) {
    if (!state_.isRunning) return;
    run_.lastScrollInput = now();
    if (run_.focusMode) {
        // The decision is taken when the gesture ends.
        run_.focusSwipe += distance;
        return;
    }
    if (!run_.gestureKey) {
        if (auto under = displays_.underMouse(state_.displays)) {
            run_.gestureKey = under->uuid;
            // The fingers take over from a running scroll.
            run_.animations.erase(under->uuid);
        }
    }
    run_.pendingScroll += distance;
    if (run_.scrollFlushScheduled) return;
    run_.scrollFlushScheduled = true;
    std::weak_ptr<WindowManager> weak = weak_from_this();
    platform_.mainLoop.post([weak] {
        if (auto self = weak.lock()) self->flushScroll();
    });
}

void WindowManager::flushScroll() {
    run_.scrollFlushScheduled = false;
    if (!state_.isRunning) return;
    const double distance = std::exchange(run_.pendingScroll, 0.0);
    if (!run_.gestureKey) return;
    const std::string key = *run_.gestureKey;
    auto found = run_.strips.find(key);
    const auto shown = display(key);
    if (found == run_.strips.end() || found->second.isEmpty() || !shown) return;
    Strip& strip = found->second;

    const double width = geometry(*shown).area.width;
    const double gap = prefs_.gap();
    const auto spans = StripLayout::spans(strip, width, gap);
    const double over = StripLayout::contentWidth(spans) - width;
    const double from = strip.scrollOffset;
    double target = from + distance;
    // Past either end (or on a strip narrower than the area) the strip resists.
    if ((over >= 0 && (target < 0 || target > over)) || (over < 0 && target != 0))
        target = from + distance * rubberBand;
    strip.scrollOffset = StripLayout::scrollBounds(strip, width, gap).clamped(target);
    apply(key);
    if (prefs_.showIndicator() && !hooks_.indicator->isVisible()) showIndicator(key, false);
}

void WindowManager::inputScrollEnded(double velocity) {
    // An end posted by a tap before the engine stopped finds nothing left to settle.
    if (!state_.isRunning) return;
    flushScroll();
    if (run_.focusMode) {
        const double swipe = std::exchange(run_.focusSwipe, 0.0);
        run_.gestureKey.reset();
        // A swipe in focus mode steps to the neighbouring window instead of sliding.
        if (std::abs(swipe) > focusSwipeThreshold)
            perform(swipe > 0 ? Action::focusRight : Action::focusLeft);
        return;
    }
    if (!run_.gestureKey) return;
    const std::string key = *run_.gestureKey;
    Log::info("swipe ended: velocity " + LogText::wholePoints(velocity) + " pt/s");
    run_.gestureKey.reset();
    auto found = run_.strips.find(key);
    const auto shown = display(key);
    if (found == run_.strips.end() || found->second.isEmpty() || !shown) return;
    Strip& strip = found->second;

    const LayoutGeometry where = geometry(*shown);
    const double width = where.area.width;
    const double projected =
        strip.scrollOffset + std::clamp(velocity * releaseProjection, -width, width);
    strip.focusColumn(StripLayout::nearestColumn(strip, projected, width, prefs_.gap()));
    // The settle position is worked out from the projected scroll; the strip itself moves
    // there from where the fingers left it.
    Strip settling = strip;
    settling.scrollOffset = projected;
    const double settle = StripLayout::revealScroll(settling, width, where.config);
    state_.activeKey = key;
    animateScroll(key, settle);
    if (auto focused = strip.focusedWindow()) focusWindow(*focused);
    scheduleSave();
}

void WindowManager::waitForMouseUp() {
    run_.lastUserFrameChange = now();
    if (run_.mouseUpTimer) return;
    std::weak_ptr<WindowManager> weak = weak_from_this();
    run_.mouseUpTimer = platform_.mainLoop.every(mouseUpPoll, [weak] {
        auto self = weak.lock();
        if (!self) return;
        if ((self->platform_.pointer.pressedButtons() & kLeftButton) != 0 ||
            self->now() - self->run_.lastUserFrameChange <= userChangeQuiet) {
            return;
        }
        self->stopWaitingForMouseUp();
        self->finishUserInteraction();
    });
}

void WindowManager::stopWaitingForMouseUp() {
    if (run_.mouseUpTimer) platform_.mainLoop.cancel(*run_.mouseUpTimer);
    run_.mouseUpTimer.reset();
}

std::optional<Rect> WindowManager::actualFrame(WindowID id) {
    const ManagedWindow* known = run_.find(id);
    if (!known) return std::nullopt;
    const auto position = AX::position(platform_.accessibility, known->window->element);
    const auto size = AX::size(platform_.accessibility, known->window->element);
    if (!position || !size) return std::nullopt;
    return Rect{position->x, position->y, size->width, size->height};
}

void WindowManager::finishUserInteraction() {
    std::set<WindowID> resizes = std::exchange(run_.pendingResizes, {});
    std::set<WindowID> moves = std::exchange(run_.pendingMoves, {});
    // A window both moved and resized was resized: its new width is what the user wanted.
    for (WindowID id : resizes)
        moves.erase(id);
    std::set<std::string> keys;

    for (WindowID id : resizes) {
        const auto actual = actualFrame(id);
        ManagedWindow* known = run_.find(id);
        if (!actual || !known || !known->display) continue;
        const std::string key = *known->display;
        const auto shown = display(key);
        auto strip = run_.strips.find(key);
        if (!shown || strip == run_.strips.end()) continue;
        if (auto wanted = lastWanted(id, key);
            wanted && std::abs(actual->width - wanted->width) <= sizeTolerance &&
            std::abs(actual->height - wanted->height) <= sizeTolerance) {
            continue;
        }
        const double gap = prefs_.gap();
        const double fraction = (actual->width + gap) / (geometry(*shown).area.width + gap);
        const auto place = strip->second.locate(id);
        if (fraction >= zoomShare && place && !strip->second.columns[place->first].isZoomed()) {
            // The user maximised the window (its zoom button, say).
            strip->second.toggleZoom(id);
            Log::info("window " + std::to_string(id) + " zoomed by the user");
        } else {
            strip->second.setWidth(id, fraction);
        }
        strip->second.focus(id);
        known->lastApplied.reset();
        keys.insert(key);
    }

    for (WindowID id : moves) {
        const auto actual = actualFrame(id);
        ManagedWindow* known = run_.find(id);
        if (!actual || !known || !known->display) continue;
        const std::string key = *known->display;
        auto strip = run_.strips.find(key);
        if (strip == run_.strips.end()) continue;
        const auto place = strip->second.locate(id);
        if (!place) continue;
        known->lastApplied.reset();
        keys.insert(key);

        const Point centre{actual->midX(), actual->midY()};
        const auto dropped = std::find_if(
            state_.displays.begin(), state_.displays.end(),
            [&](const Display& candidate) { return candidate.frame.contains(centre); });
        if (dropped != state_.displays.end() && dropped->uuid != key &&
            !isExcluded(dropped->uuid)) {
            // Dragged to another display: it joins that strip and takes the focus there.
            const double fraction = strip->second.columns[place->first].widthFraction;
            strip->second.remove(id);
            insertNewColumn(run_.strips[dropped->uuid], id, fraction, true);
            known->display = dropped->uuid;
            state_.activeKey = dropped->uuid;
            setNeedsLayout(dropped->uuid, true);
            keys.insert(dropped->uuid);
            continue;
        }

        // Reordered within the strip: the column under the window's centre takes it.
        const auto shown = display(key);
        if (!shown) continue;
        const Rect area = geometry(*shown).area;
        const double gap = prefs_.gap();
        const auto spans = StripLayout::spans(strip->second, area.width, gap);
        const double along = strip->second.scrollOffset + (centre.x - area.minX());
        std::int64_t column = static_cast<std::int64_t>(spans.size()) - 1;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            if (along < spans[i].x + spans[i].width + gap * 0.5) {
                column = static_cast<std::int64_t>(i);
                break;
            }
        }
        if (column != static_cast<std::int64_t>(place->first)) strip->second.moveWindow(id, column);
        strip->second.focus(id);
    }

    for (const std::string& key : keys)
        setNeedsLayout(key, true);
}

std::optional<Rect> WindowManager::lastWanted(WindowID id, const std::string& key) const {
    const auto shown = display(key);
    auto strip = run_.strips.find(key);
    if (!shown || strip == run_.strips.end()) return std::nullopt;
    const WindowMap<Rect> frames = layoutFrames(*shown, strip->second);
    const Rect* frame = frames.find(id);
    return frame ? std::optional<Rect>(*frame) : std::nullopt;
}

std::vector<GapPreviewScreen> WindowManager::previewLayout(double gap, double outerGap) const {
    std::vector<GapPreviewScreen> screens;
    for (const Display& shown : state_.displays) {
        if (isExcluded(shown.uuid)) continue;
        GapPreviewScreen screen{shown.frame, shown.visibleFrame.insetBy(outerGap), {}};
        auto strip = run_.strips.find(shown.uuid);
        if (state_.isRunning && strip != run_.strips.end()) {
            const LayoutConfig config{gap, prefs_.centerMode(), 2};
            const double scroll =
                StripLayout::revealScroll(strip->second, screen.area.width, config);
            const auto frames = StripLayout::frames(strip->second, scroll, screen.area, shown.frame,
                                                    config, false, false, run_.minHeights);
            for (const auto& [id, frame] : frames) {
                const double visibleWidth = std::min(frame.maxX(), shown.frame.maxX()) -
                                            std::max(frame.minX(), shown.frame.minX());
                // Parked windows (a sliver at an edge or below the bottom) are not shown.
                if (visibleWidth > 40 && frame.minY() < shown.frame.maxY() - 20)
                    screen.windows.push_back(frame);
            }
        }
        screens.push_back(std::move(screen));
    }
    return screens;
}

}  // namespace tessarin
