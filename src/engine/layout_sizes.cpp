#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/log.hpp"
#include "core/strip_layout.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "system/ax.hpp"

// Checks that windows really took the frames they were given, and adopts the sizes that windows
// refuse to go below instead of fighting them.

namespace tessarin {

namespace {

// "x,y wxh" in whole points.
std::string frameText(const Rect& frame) {
    return LogText::wholePoints(frame.x) + "," + LogText::wholePoints(frame.y) + " " +
           LogText::wholePoints(frame.width) + "x" + LogText::wholePoints(frame.height);
}

bool intersects(const Rect& a, const Rect& b) {
    return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

bool differsBeyond(const Rect& a, const Rect& b, double tolerance) {
    return std::abs(a.x - b.x) > tolerance || std::abs(a.y - b.y) > tolerance ||
           std::abs(a.width - b.width) > tolerance || std::abs(a.height - b.height) > tolerance;
}

}  // namespace

void WindowManager::verifySizes(const std::string& key) {
    if (!state_.isRunning) return;
    auto shown = display(key);
    auto found = state_.strips.find(key);
    if (!shown || found == state_.strips.end()) return;

    const auto serverFrames = displays_.windowServerFrames();
    bool corrected = false;
    for (WindowID id : found->second.windows()) {
        auto wanted = state_.lastApplied.find(id);
        auto actual = serverFrames.find(id);
        if (wanted == state_.lastApplied.end() || actual == serverFrames.end()) continue;
        if (!intersects(actual->second, shown->frame)) continue;
        auto retry = state_.sizeRetries.find(id);
        const bool sameWanted =
            retry != state_.sizeRetries.end() && retry->second.wanted == wanted->second;
        // Corrected twice for this frame already: an application that insists wins.
        if (sameWanted && retry->second.count >= 2) continue;
        if (!differsBeyond(actual->second, wanted->second, 4)) continue;

        state_.sizeRetries[id] = {wanted->second, sameWanted ? retry->second.count + 1 : 1};
        Log::info("window not where it should be: " + std::to_string(id) + " is " +
                  frameText(actual->second) + ", redoing " + frameText(wanted->second));
        // The next write is then a full size-position-size write.
        mover_->forget(id);
        state_.lastApplied.erase(wanted);
        corrected = true;
    }
    if (corrected) apply(key);
}

void WindowManager::adoptMinimumSize(WindowID id, Size actual, Size wanted) {
    if (!state_.isRunning) return;
    auto where = state_.windowDisplay.find(id);
    if (where == state_.windowDisplay.end()) return;
    const std::string key = where->second;
    auto found = state_.strips.find(key);
    auto shown = display(key);
    if (found == state_.strips.end() || !shown) return;
    auto place = found->second.locate(id);
    if (!place) return;

    const Rect& visible = shown->visibleFrame;
    if (actual.width >= visible.width - 1 && actual.height >= visible.height - 1) {
        auto window = state_.windows.find(id);
        if (window != state_.windows.end() &&
            AX::boolean(platform_.accessibility, window->second->element, "AXFullScreen") == true) {
            enterFullscreen(id);
            return;
        }
    }

    Strip strip = found->second;
    const Rect inset = area(*shown);
    const double gap = prefs_.gap();
    bool changed = false;

    if (!state_.focusMode && actual.width > wanted.width + 4) {
        const double fraction = std::clamp((actual.width + gap) / (inset.width + gap), 0.1, 1.0);
        if (strip.columns[place->first].widthFraction + 0.002 < fraction) {
            Log::info("min width: " + std::to_string(id) + " stays " +
                      LogText::wholePoints(actual.width) + "pt, widening its column");
            strip.setWidth(id, fraction);
            changed = true;
        }
    }

    const Column& column = strip.columns[place->first];
    if (actual.height > wanted.height + 4 && column.windows.size() >= 2) {
        state_.minHeights.insertOrAssign(id, actual.height);
        std::vector<double> mins;
        for (WindowID w : column.windows)
            mins.push_back(state_.minHeights.valueOr(w, 0.0));
        if (StripLayout::stackFits(mins, inset.height, gap)) {
            Log::info("min height: " + std::to_string(id) + " needs " +
                      LogText::wholePoints(actual.height) + "pt, giving it that much of the stack");
        } else {
            const auto focused = strip.focusedWindow();
            const bool focusedHere =
                focused && std::find(column.windows.begin(), column.windows.end(), *focused) !=
                               column.windows.end();
            const WindowID victim = focusedHere ? *focused : id;
            Log::info("stack doesn't fit: " + std::to_string(id) + " needs " +
                      LogText::wholePoints(actual.height) + "pt of " +
                      LogText::wholePoints(inset.height) + "pt, popping " + std::to_string(victim) +
                      " out");
            strip.focus(victim);
            strip.popOutFocused(Direction::right);
            // The column it was stacked into gets its own width back.
            if (state_.lastStack) {
                auto target = strip.locate(state_.lastStack->into);
                if (target) {
                    Column& into = strip.columns[target->first];
                    if (std::find(into.windows.begin(), into.windows.end(), victim) ==
                        into.windows.end()) {
                        into.widthFraction = state_.lastStack->width;
                    }
                }
            }
        }
        changed = true;
    }

    if (!changed) return;
    found->second = strip;
    for (WindowID w : strip.windows())
        state_.lastApplied.erase(w);
    apply(key);
}

}  // namespace tessarin
