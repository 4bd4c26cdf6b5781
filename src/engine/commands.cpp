#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/log.hpp"
#include "core/strip_layout.hpp"
#include "engine/engine_timing.hpp"
#include "engine/layout_geometry.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
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

// Commands that change frames blend them from where they were.
bool morphsFrames(Action action) {
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
                saveLayoutNow();
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
    auto stored = key ? run_.strips.find(*key) : run_.strips.end();
    const auto screen = display(key);
    if (!key || stored == run_.strips.end() || !screen) {
        Log::info("action " + name + ": no strip (key=" + state_.activeKey.value_or("nil") +
                  ", strips=" + std::to_string(run_.strips.size()) + ")");
        return;
    }

    const std::optional<WindowID> before = stored->second.focusedWindow();
    const std::vector<double> presets = prefs_.presets();
    WindowMap<Rect> from = appliedFrames(stored->second);

    Strip working = stored->second;
    applyToStrip(action, working, presets, state_.lastStack);
    stored->second = std::move(working);

    if (prefs_.animate() && (morphsFrames(action) || (run_.focusMode && isFocusAction(action)))) {
        run_.morphs[*key] =
            Morph{std::move(from), now(), EngineTiming::animationLength(prefs_.animationSpeed())};
        startAnimationTimer();
    }

    if (action == Action::center) {
        const double scroll =
            StripLayout::centeredScroll(stored->second, geometry(*screen).area.width, prefs_.gap());
        animateScroll(*key, scroll);
    } else {
        layout(*key, true);
    }

    // Layout may have touched the map; read the strip afresh.
    stored = run_.strips.find(*key);
    if (stored == run_.strips.end()) return;
    const Strip& strip = stored->second;
    const std::optional<WindowID> after = strip.focusedWindow();
    Log::info("action " + name + ": focus " + windowText(before) + " \u2192 " + windowText(after) +
              " col=" + std::to_string(strip.focusedColumn) + "/" +
              std::to_string(strip.columns.size()) +
              " scroll=" + LogText::wholePoints(strip.scrollOffset));

    if (after && (!before || *after != *before)) focusWindow(*after);
    if (showsIndicator(action) && prefs_.showIndicator()) showIndicator(*key, false);
    scheduleSave();
}

std::optional<std::string> WindowManager::commandKey() {
    if (auto focused = systemFocusedWindow()) {
        if (const ManagedWindow* tiled = tiledWindow(*focused)) {
            // The system's focus wins over the engine's idea of it.
            run_.strips[*tiled->display].focus(*focused);
            state_.activeKey = tiled->display;
            return state_.activeKey;
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
    auto stored = run_.strips.find(key);
    if (stored == run_.strips.end()) return;
    Strip working = stored->second;
    const auto window = working.focusColumn(index);
    if (!window) return;
    stored->second = std::move(working);
    state_.activeKey = key;
    layout(key, true);
    focusWindow(*window);
}

ManagedWindow* WindowManager::tiledWindow(WindowID id) {
    ManagedWindow* known = run_.find(id);
    if (!known || !known->display) return nullptr;
    auto strip = run_.strips.find(*known->display);
    return strip != run_.strips.end() && strip->second.contains(id) ? known : nullptr;
}

void WindowManager::toggleFocusMode() {
    if (!state_.isRunning) return;
    run_.focusMode = !run_.focusMode;
    run_.focusSwipe = 0;
    Log::info(run_.focusMode ? "focus mode on" : "focus mode off");

    const bool animate = prefs_.animate();
    const double duration = EngineTiming::animationLength(prefs_.animationSpeed(),
                                                          EngineTiming::focusModeAnimationBase);
    std::vector<std::string> keys;
    for (const auto& [key, strip] : run_.strips) {
        keys.push_back(key);
        if (!animate) continue;
        run_.morphs[key] = Morph{appliedFrames(strip), now(), duration};
    }
    for (const std::string& key : keys)
        setNeedsLayout(key, true);
    if (animate) startAnimationTimer();
    if (onStateChange) onStateChange();
}

void WindowManager::toggleFloat() {
    const auto id = systemFocusedWindow();
    ManagedWindow* known = id ? run_.find(*id) : nullptr;
    if (!known) return;

    if (run_.floating.count(*id)) {
        const auto key = tileTarget(known->display);
        // Without a display it stays floating rather than belonging nowhere.
        if (!key) return;
        run_.floating.erase(*id);
        insertNewColumn(run_.strips[*key], *id, prefs_.defaultWidth(), true);
        known->display = key;
        state_.activeKey = key;
        setNeedsLayout(*key, true);
        return;
    }

    if (!known->display) return;
    const std::string key = *known->display;
    const auto screen = display(key);
    auto strip = run_.strips.find(key);
    // Checked before removing, so the window is never left neither tiled nor floating.
    if (!screen || strip == run_.strips.end() || !strip->second.remove(*id)) return;

    run_.floating.insert(*id);
    known->missCount = 0;
    // A floated window is placed in the middle of its display, at a size it can be worked in.
    const Rect& visible = screen->visibleFrame;
    const double width = std::round(visible.width * 0.6);
    const double height = std::round(visible.height * 0.7);
    const Rect frame{visible.midX() - width / 2, visible.midY() - height / 2, width, height};
    // The window's own notifications about this write are not the user's doing.
    known->suppressUntil = now() + EngineTiming::floatSuppress;
    known->window->setFrame(frame, std::nullopt);
    dropApplied(*id);
    setNeedsLayout(key, true);
}

void WindowManager::sendToNextDisplay() {
    std::vector<Display> candidates;
    for (const Display& candidate : state_.displays) {
        if (!isExcluded(candidate.uuid)) candidates.push_back(candidate);
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Display& a, const Display& b) {
        return a.frame.minX() < b.frame.minX();
    });
    if (candidates.size() < 2) return;

    const auto id = systemFocusedWindow();
    ManagedWindow* known = id ? tiledWindow(*id) : nullptr;
    if (!known) return;
    const std::string source = *known->display;
    auto stored = run_.strips.find(source);
    const auto place = stored->second.locate(*id);

    auto current = std::find_if(candidates.begin(), candidates.end(),
                                [&](const Display& candidate) { return candidate.uuid == source; });
    std::size_t next = 0;
    if (current != candidates.end()) {
        next = (static_cast<std::size_t>(current - candidates.begin()) + 1) % candidates.size();
    }
    const std::string target = candidates[next].uuid;

    const double fraction = stored->second.columns[place->first].widthFraction;
    stored->second.remove(*id);
    known->lastApplied.reset();
    insertNewColumn(run_.strips[target], *id, fraction, true);
    known->display = target;
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
        auto stored = run_.strips.find(key);
        const std::vector<WindowID> ids =
            stored == run_.strips.end() ? std::vector<WindowID>{} : stored->second.windows();
        for (WindowID id : ids) {
            if (ManagedWindow* known = run_.find(id)) {
                known->title =
                    AX::string(platform_.accessibility, known->window->element, AXName::title)
                        .value_or(std::string());
            }
        }
    }
    hooks_.indicator->show(model(key), *screen, sticky);
}

StripIndicatorModel WindowManager::model(const std::string& key) {
    static const Strip empty;
    auto stored = run_.strips.find(key);
    const Strip& strip = stored == run_.strips.end() ? empty : stored->second;
    const auto screen = display(key);
    const double viewWidth = screen ? geometry(*screen).area.width : 1000;
    const auto spans = StripLayout::spans(strip, viewWidth, prefs_.gap());

    StripIndicatorModel result;
    result.key = key;
    result.scroll = strip.scrollOffset;
    result.viewWidth = viewWidth;
    for (std::size_t i = 0; i < strip.columns.size(); ++i) {
        StripIndicatorModel::Column column;
        column.index = static_cast<std::int64_t>(i);
        for (WindowID id : strip.columns[i].windows) {
            const ManagedWindow* known = run_.find(id);
            column.titles.push_back(known && known->title ? *known->title : std::string());
            if (!known) continue;
            const Pid pid = known->window->pid;
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

}  // namespace tessarin
