#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/log.hpp"
#include "core/strip_layout.hpp"
#include "engine/engine_timing.hpp"
#include "engine/layout_geometry.hpp"
#include "engine/log_text.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
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

bool differsBeyond(const Rect& a, const Rect& b, double tolerance) {
    return std::abs(a.x - b.x) > tolerance || std::abs(a.y - b.y) > tolerance ||
           std::abs(a.width - b.width) > tolerance || std::abs(a.height - b.height) > tolerance;
}

}  // namespace

void WindowManager::verifySizes(const std::string& key) {
    if (!state_.isRunning) return;
    auto shown = display(key);
    auto found = run_.strips.find(key);
    if (!shown || found == run_.strips.end()) return;

    const auto serverFrames = displays_.windowServerFrames();
    bool corrected = false;
    for (WindowID id : found->second.windows()) {
        ManagedWindow* known = run_.find(id);
        auto actual = serverFrames.find(id);
        if (!known || !known->lastApplied || actual == serverFrames.end()) continue;
        const Rect wanted = *known->lastApplied;
        if (!actual->second.intersects(shown->frame)) continue;
        auto& retry = known->sizeRetry;
        const bool sameWanted = retry && retry->wanted == wanted;
        // Corrected often enough for this frame already: an application that insists wins.
        if (sameWanted && retry->count >= EngineTiming::sizeCorrections) continue;
        if (!differsBeyond(actual->second, wanted, EngineTiming::sizeTolerance)) continue;

        retry = ManagedWindow::SizeRetry{wanted, sameWanted ? retry->count + 1 : 1};
        Log::info("window not where it should be: " + std::to_string(id) + " is " +
                  frameText(actual->second) + ", redoing " + frameText(wanted));
        dropApplied(id);
        corrected = true;
    }
    if (corrected) apply(key);
}

void WindowManager::adoptMinimumSize(WindowID id, Size actual, Size wanted) {
    if (!state_.isRunning) return;
    ManagedWindow* known = tiledWindow(id);
    if (!known) return;
    const std::string key = *known->display;
    auto found = run_.strips.find(key);
    auto shown = display(key);
    if (!shown) return;
    auto place = found->second.locate(id);

    const Rect& visible = shown->visibleFrame;
    if (actual.width >= visible.width - 1 && actual.height >= visible.height - 1) {
        if (AX::boolean(platform_.accessibility, known->window->element, AXName::fullScreen) ==
            true) {
            enterFullscreen(id);
            return;
        }
    }

    Strip strip = found->second;
    const Rect inset = geometry(*shown).area;
    const double gap = prefs_.gap();
    const double tolerance = WindowMover::minimumSizeTolerance;
    bool changed = false;

    if (!run_.focusMode && actual.width > wanted.width + tolerance) {
        const double fraction = std::clamp((actual.width + gap) / (inset.width + gap), 0.1, 1.0);
        if (strip.columns[place->first].widthFraction + EngineTiming::widthShareSlack < fraction) {
            Log::info("min width: " + std::to_string(id) + " stays " +
                      LogText::wholePoints(actual.width) + "pt, widening its column");
            strip.setWidth(id, fraction);
            changed = true;
        }
    }

    const Column& column = strip.columns[place->first];
    if (actual.height > wanted.height + tolerance && column.windows.size() >= 2) {
        run_.minHeights.insertOrAssign(id, actual.height);
        std::vector<double> mins;
        for (WindowID w : column.windows)
            mins.push_back(run_.minHeights.valueOr(w, 0.0));
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
        if (ManagedWindow* held = run_.find(w)) held->lastApplied.reset();
    // A wider or popped-out column can push the focused one out of view.
    layout(key, true);
}

}  // namespace tessarin
