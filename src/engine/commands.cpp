#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/log.hpp"
#include "core/strip_layout.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

bool isFocusAction(Action action) {
    return static_cast<int>(action) >= static_cast<int>(Action::focusLeft) &&
           static_cast<int>(action) <= static_cast<int>(Action::focus9);
}

std::string windowText(const std::optional<WindowID>& id) {
    return id ? std::to_string(*id) : std::string("-");
}

// The frames last written to the strip's windows: where a morph starts from.
WindowMap<Rect> appliedFrames(const Strip& strip, const std::map<WindowID, Rect>& lastApplied) {
    WindowMap<Rect> frames;
    for (WindowID id : strip.windows()) {
        auto applied = lastApplied.find(id);
        if (applied != lastApplied.end()) frames.insertOrAssign(id, applied->second);
    }
    return frames;
}

// Records what a stack command will merge into, so a stack that cannot fit can be undone.
void rememberStackTarget(const Strip& strip, std::int64_t neighbour,
                         std::optional<EngineState::LastStack>& lastStack) {
    if (neighbour < 0 || neighbour >= static_cast<std::int64_t>(strip.columns.size())) return;
    const Column& column = strip.columns[static_cast<std::size_t>(neighbour)];
    if (column.windows.empty()) return;
    lastStack = EngineState::LastStack{column.windows.front(), column.widthFraction};
}

// The strip operation of one command; commands that only scroll or act elsewhere leave it as is.
void applyToStrip(Action action, Strip& strip, const std::vector<double>& presets,
                  std::optional<EngineState::LastStack>& lastStack) {
    const auto last = static_cast<std::int64_t>(strip.columns.size()) - 1;
    switch (action) {
        case Action::focusLeft:
            strip.moveFocus(Direction::left);
            return;
        case Action::focusRight:
            strip.moveFocus(Direction::right);
            return;
        case Action::focusUp:
            strip.moveFocus(Direction::up);
            return;
        case Action::focusDown:
            strip.moveFocus(Direction::down);
            return;
        case Action::focusFirst:
            strip.focusColumn(0);
            return;
        case Action::focusLast:
            strip.focusColumn(last);
            return;
        case Action::focus1:
        case Action::focus2:
        case Action::focus3:
        case Action::focus4:
        case Action::focus5:
        case Action::focus6:
        case Action::focus7:
        case Action::focus8:
        case Action::focus9:
            strip.focusColumn(static_cast<int>(action) - static_cast<int>(Action::focus1));
            return;
        case Action::moveLeft:
            strip.moveFocused(Direction::left);
            return;
        case Action::moveRight:
            strip.moveFocused(Direction::right);
            return;
        case Action::moveUp:
            strip.moveFocused(Direction::up);
            return;
        case Action::moveDown:
            strip.moveFocused(Direction::down);
            return;
        case Action::moveToFirst:
            strip.moveFocusedColumn(0);
            return;
        case Action::moveToLast:
            strip.moveFocusedColumn(last);
            return;
        case Action::cycleWidth:
            strip.cycleWidth(presets, true);
            return;
        case Action::cycleWidthBack:
            strip.cycleWidth(presets, false);
            return;
        case Action::wider:
            strip.adjustWidth(0.1);
            return;
        case Action::narrower:
            strip.adjustWidth(-0.1);
            return;
        case Action::fullWidth:
            strip.toggleFullWidth();
            return;
        case Action::taller:
            strip.adjustHeight(0.25);
            return;
        case Action::shorter:
            strip.adjustHeight(-0.2);
            return;
        case Action::equalizeHeights:
            strip.equalizeHeights();
            return;
        case Action::stackLeft:
            rememberStackTarget(strip, strip.focusedColumn - 1, lastStack);
            strip.stackFocused(Direction::left);
            return;
        case Action::stackRight:
            rememberStackTarget(strip, strip.focusedColumn + 1, lastStack);
            strip.stackFocused(Direction::right);
            return;
        case Action::popOutLeft:
            strip.popOutFocused(Direction::left);
            return;
        case Action::popOutRight:
            strip.popOutFocused(Direction::right);
            return;
        case Action::center:
        case Action::toggleFloat:
        case Action::sendToNextDisplay:
        case Action::showOverview:
        case Action::toggleTiling:
        case Action::retile:
        case Action::focusMode:
            return;
    }
}

}  // namespace

void WindowManager::perform(Action action) {
    // An observer may add another; it hears from the next action on.
    const auto observers = actionObservers_;
    for (const auto& observer : observers)
        observer(action);

    switch (action) {
        case Action::focusMode:
            toggleFocusMode();
            return;
        case Action::retile:
            if (state_.isRunning) {
                hooks_.layoutMemory->saveLayoutNow(*this);
                stop(false);
            }
            start();
            return;
        case Action::toggleTiling:
            if (state_.isRunning) {
                stop(true);
            } else {
                start();
            }
            return;
        default:
            break;
    }
    if (!state_.isRunning) return;

    switch (action) {
        case Action::showOverview:
            if (auto key = commandKey()) showIndicator(*key, true);
            return;
        case Action::sendToNextDisplay:
            sendToNextDisplay();
            return;
        case Action::toggleFloat:
            toggleFloat();
            return;
        default:
            break;
    }

    const std::string name(rawValue(action));
    const auto key = commandKey();
    auto stored = key ? state_.strips.find(*key) : state_.strips.end();
    const auto screen = display(key);
    if (!key || stored == state_.strips.end() || !screen) {
        Log::info("action " + name + ": no strip (key=" + state_.activeKey.value_or("nil") +
                  ", strips=" + std::to_string(state_.strips.size()) + ")");
        return;
    }

    const std::optional<WindowID> before = stored->second.focusedWindow();
    const std::vector<double> presets = prefs_.presets();
    WindowMap<Rect> from = appliedFrames(stored->second, state_.lastApplied);

    Strip working = stored->second;
    applyToStrip(action, working, presets, state_.lastStack);
    stored->second = std::move(working);

    if (prefs_.animate() &&
        (isLayoutAction(action) || (state_.focusMode && isFocusAction(action)))) {
        state_.morphs[*key] =
            Morph{std::move(from), now(), 0.24 / std::max(prefs_.animationSpeed(), 0.25)};
        startAnimationTimer();
    }

    if (action == Action::center) {
        const double scroll =
            StripLayout::centeredScroll(stored->second, area(*screen).width, prefs_.gap());
        animateScroll(*key, scroll);
    } else {
        layout(*key, true);
    }

    // Layout may have touched the map; read the strip afresh.
    stored = state_.strips.find(*key);
    if (stored == state_.strips.end()) return;
    const Strip& strip = stored->second;
    const std::optional<WindowID> after = strip.focusedWindow();
    Log::info("action " + name + ": focus " + windowText(before) + " \u2192 " + windowText(after) +
              " col=" + std::to_string(strip.focusedColumn) + "/" +
              std::to_string(strip.columns.size()) +
              " scroll=" + LogText::wholePoints(strip.scrollOffset));

    if (after && (!before || *after != *before)) focusWindow(*after);
    if (showsIndicator(action) && prefs_.showIndicator()) showIndicator(*key, false);
    hooks_.layoutMemory->scheduleSave(*this);
}

std::optional<std::string> WindowManager::commandKey() {
    if (auto focused = systemFocusedWindow()) {
        auto where = state_.windowDisplay.find(*focused);
        if (where != state_.windowDisplay.end()) {
            auto strip = state_.strips.find(where->second);
            if (strip != state_.strips.end() && strip->second.contains(*focused)) {
                // The system's focus wins over the engine's idea of it.
                strip->second.focus(*focused);
                state_.activeKey = where->second;
                return state_.activeKey;
            }
        }
    }
    if (auto screen = displays_.underMouse(state_.displays)) {
        state_.activeKey = screen->uuid;
    } else {
        state_.activeKey.reset();
    }
    return state_.activeKey;
}

void WindowManager::focusColumn(std::int64_t index, const std::string& key) {
    auto stored = state_.strips.find(key);
    if (stored == state_.strips.end()) return;
    Strip working = stored->second;
    const auto window = working.focusColumn(index);
    if (!window) return;
    stored->second = std::move(working);
    state_.activeKey = key;
    layout(key, true);
    focusWindow(*window);
}

bool WindowManager::isManaged(WindowID id) const {
    auto where = state_.windowDisplay.find(id);
    if (where == state_.windowDisplay.end()) return false;
    auto strip = state_.strips.find(where->second);
    return strip != state_.strips.end() && strip->second.contains(id);
}

void WindowManager::toggleFocusMode() {
    if (!state_.isRunning) return;
    state_.focusMode = !state_.focusMode;
    state_.focusSwipe = 0;
    Log::info(state_.focusMode ? "focus mode on" : "focus mode off");

    const bool animate = prefs_.animate();
    const double duration = 0.3 / std::max(prefs_.animationSpeed(), 0.25);
    std::vector<std::string> keys;
    for (const auto& [key, strip] : state_.strips) {
        keys.push_back(key);
        if (!animate) continue;
        state_.morphs[key] = Morph{appliedFrames(strip, state_.lastApplied), now(), duration};
    }
    for (const std::string& key : keys)
        setNeedsLayout(key, true);
    if (animate) startAnimationTimer();
    if (onStateChange) onStateChange();
}

void WindowManager::toggleFloat() {
    const auto id = systemFocusedWindow();
    if (!id) return;
    auto known = state_.windows.find(*id);
    if (known == state_.windows.end()) return;

    if (state_.floating.count(*id)) {
        // A display that is gone cannot take the window back; the next choices can.
        std::optional<std::string> key;
        auto where = state_.windowDisplay.find(*id);
        if (where != state_.windowDisplay.end() && display(where->second)) {
            key = where->second;
        } else if (auto active = display(state_.activeKey)) {
            key = active->uuid;
        } else if (auto pointed = displays_.underMouse(state_.displays)) {
            key = pointed->uuid;
        }
        // Without a display it stays floating rather than belonging nowhere.
        if (!key) return;
        state_.floating.erase(*id);
        insertNewColumn(state_.strips[*key], *id, prefs_.defaultWidth(), true);
        state_.windowDisplay[*id] = *key;
        state_.activeKey = key;
        setNeedsLayout(*key, true);
        return;
    }

    auto where = state_.windowDisplay.find(*id);
    if (where == state_.windowDisplay.end()) return;
    const std::string key = where->second;
    const auto screen = display(key);
    auto strip = state_.strips.find(key);
    // Checked before removing, so the window is never left neither tiled nor floating.
    if (!screen || strip == state_.strips.end() || !strip->second.remove(*id)) return;

    state_.floating.insert(*id);
    state_.missCount.erase(*id);
    const Rect& visible = screen->visibleFrame;
    const double width = std::round(visible.width * 0.6);
    const double height = std::round(visible.height * 0.7);
    const Rect frame{visible.midX() - width / 2, visible.midY() - height / 2, width, height};
    // The window's own notifications about this write are not the user's doing.
    state_.suppressUntil[*id] = now() + 0.6;
    known->second->setFrame(frame, std::nullopt);
    mover_->forget(*id);
    state_.lastApplied.erase(*id);
    setNeedsLayout(key, true);
}

void WindowManager::sendToNextDisplay() {
    std::vector<Display> candidates;
    const auto& excluded = prefs_.excludedDisplays();
    for (const Display& candidate : state_.displays) {
        if (std::find(excluded.begin(), excluded.end(), candidate.uuid) == excluded.end()) {
            candidates.push_back(candidate);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Display& a, const Display& b) {
        return a.frame.minX() < b.frame.minX();
    });
    if (candidates.size() < 2) return;

    const auto id = systemFocusedWindow();
    if (!id) return;
    auto where = state_.windowDisplay.find(*id);
    if (where == state_.windowDisplay.end()) return;
    const std::string source = where->second;
    auto stored = state_.strips.find(source);
    if (stored == state_.strips.end()) return;
    const auto place = stored->second.locate(*id);
    if (!place) return;

    auto current = std::find_if(candidates.begin(), candidates.end(),
                                [&](const Display& candidate) { return candidate.uuid == source; });
    std::size_t next = 0;
    if (current != candidates.end()) {
        next = (static_cast<std::size_t>(current - candidates.begin()) + 1) % candidates.size();
    }
    const std::string target = candidates[next].uuid;

    const double fraction = stored->second.columns[place->first].widthFraction;
    stored->second.remove(*id);
    state_.lastApplied.erase(*id);
    insertNewColumn(state_.strips[target], *id, fraction, true);
    state_.windowDisplay[*id] = target;
    state_.activeKey = target;
    setNeedsLayout(target, true);
    setNeedsLayout(source, true);
    focusWindow(*id);
}

void WindowManager::showIndicator(const std::string& key, bool sticky) {
    const auto screen = display(key);
    if (!screen) return;
    // Titles are read once per appearance; navigating while the panel shows costs no reads.
    if (!hooks_.indicator->isVisible()) {
        auto stored = state_.strips.find(key);
        const std::vector<WindowID> ids =
            stored == state_.strips.end() ? std::vector<WindowID>{} : stored->second.windows();
        for (WindowID id : ids) {
            auto known = state_.windows.find(id);
            if (known == state_.windows.end()) {
                state_.titleCache.erase(id);
                continue;
            }
            state_.titleCache[id] =
                AX::string(platform_.accessibility, known->second->element, "AXTitle")
                    .value_or(std::string());
        }
    }
    hooks_.indicator->show(model(key), *screen, sticky);
}

StripIndicatorModel WindowManager::model(const std::string& key) {
    static const Strip empty;
    auto stored = state_.strips.find(key);
    const Strip& strip = stored == state_.strips.end() ? empty : stored->second;
    const auto screen = display(key);
    const double viewWidth = screen ? area(*screen).width : 1000;
    const auto spans = StripLayout::spans(strip, viewWidth, prefs_.gap());

    StripIndicatorModel result;
    result.key = key;
    result.scroll = strip.scrollOffset;
    result.viewWidth = viewWidth;
    for (std::size_t i = 0; i < strip.columns.size(); ++i) {
        StripIndicatorModel::Column column;
        column.index = static_cast<std::int64_t>(i);
        for (WindowID id : strip.columns[i].windows) {
            auto title = state_.titleCache.find(id);
            column.titles.push_back(title == state_.titleCache.end() ? std::string()
                                                                     : title->second);
            auto known = state_.windows.find(id);
            if (known == state_.windows.end()) continue;
            const Pid pid = known->second->pid;
            auto cached = state_.iconCache.find(pid);
            if (cached != state_.iconCache.end()) {
                column.icons.push_back(cached->second);
                continue;
            }
            auto app = platform_.workspace.application(pid);
            if (app && !app->icon.empty()) {
                state_.iconCache[pid] = app->icon;
                column.icons.push_back(app->icon);
            } else {
                state_.iconCache.erase(pid);
            }
        }
        if (i < spans.size()) {
            column.x = spans[i].x;
            column.width = spans[i].width;
        }
        column.focused = static_cast<std::int64_t>(i) == strip.focusedColumn;
        result.columns.push_back(std::move(column));
    }
    return result;
}

bool WindowManager::isLayoutAction(Action action) {
    switch (action) {
        case Action::moveLeft:
        case Action::moveRight:
        case Action::moveUp:
        case Action::moveDown:
        case Action::moveToFirst:
        case Action::moveToLast:
        case Action::cycleWidth:
        case Action::cycleWidthBack:
        case Action::wider:
        case Action::narrower:
        case Action::fullWidth:
        case Action::taller:
        case Action::shorter:
        case Action::equalizeHeights:
        case Action::stackLeft:
        case Action::stackRight:
        case Action::popOutLeft:
        case Action::popOutRight:
            return true;
        default:
            return false;
    }
}

}  // namespace tessarin
