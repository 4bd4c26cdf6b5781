#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/geometry.hpp"
#include "core/layout_config.hpp"
#include "core/strip.hpp"
#include "core/window_id.hpp"
#include "core/window_map.hpp"
#include "engine/engine_types.hpp"
#include "system/ax_window.hpp"
#include "system/display.hpp"

namespace tessarin {

// What the engine keeps about one known window (tiled, floating or dormant). Everything here
// goes when the window is forgotten.
struct ManagedWindow {
    AXWindowPtr window;
    // The display (strip) the window belongs to: set for every tiled or dormant window and for
    // floating windows admitted on a display.
    std::optional<std::string> display;
    // The frame last handed to the mover.
    std::optional<Rect> lastApplied;
    // Until when the window's moved and resized notifications are the engine's own echo.
    double suppressUntil = 0;
    // Consecutive reconciliations that did not find the tiled window on screen.
    int missCount = 0;
    // Size corrections tried for one wanted frame.
    struct SizeRetry {
        Rect wanted;
        int count = 0;
    };
    std::optional<SizeRetry> sizeRetry;
    // Drift corrections made for one wanted frame: after a few, the application keeps its way.
    std::optional<SizeRetry> driftRetry;
    // The title read for the overview panel.
    std::optional<std::string> title;
};

// The settings that need the running engine to act when they change, by reaction.
struct PrefsSnapshot {
    std::vector<double> layout;  // gap, outer gap, focus width, focus height
    CenterMode centerMode = CenterMode::never;
    // gestures on, fingers, sensitivity, natural direction, modifier scroll, base modifier
    std::tuple<bool, std::int64_t, double, bool, bool, std::uint32_t> input;
    // floating applications, excluded displays
    std::pair<std::vector<std::string>, std::vector<std::string>> rules;
    std::pair<bool, double> border;  // shown, width

    bool operator==(const PrefsSnapshot&) const = default;
};

// What one run of the engine knows: built from the live windows at start, gone at stop.
// Windows are named by their window number, displays (and their strips) by the display's UUID.
//
// A known window (in `windows`) is in exactly one of: a strip (tiled), `floating`, or
// `dormant`; while no display is connected at all, tiled windows wait in the strip of the
// display that went, in `detached`. The sets below hold known windows only, except
// `loggedIgnored` and `fullscreenWaiting`, which are about windows that were refused.
struct EngineRun {
    bool focusMode = false;

    std::map<WindowID, ManagedWindow> windows;
    std::set<WindowID> floating;
    std::map<std::string, Strip> strips;
    std::map<std::string, Strip> detached;
    std::map<WindowID, Dormant> dormant;
    std::map<std::string, ScrollAnimation> animations;
    std::map<std::string, Morph> morphs;
    std::optional<std::uint64_t> animationTimer;
    std::optional<std::uint64_t> healthTimer;
    // The debounced save of the layout, while one is pending.
    std::optional<std::uint64_t> saveTimer;
    // The settings as last acted on, and the pause that gathers a burst of changes.
    std::optional<PrefsSnapshot> appliedPrefs;
    std::optional<std::uint64_t> prefsTimer;
    // Health checks that got past the early returns; every few of them rescan the applications.
    std::uint64_t healthTicks = 0;
    // Displays with a pending layout; the value is the reveal flag.
    std::map<std::string, bool> needsLayout;
    // Windows the user moved or resized, handled when the mouse button comes up.
    std::set<WindowID> pendingMoves;
    std::set<WindowID> pendingResizes;
    std::optional<std::uint64_t> mouseUpTimer;
    double lastUserFrameChange = 0;
    // Until then, moves and resizes come from the system rearranging windows for a display
    // change or a wake.
    double systemMovesUntil = 0;

    // A swipe or modifier scroll: the display whose strip it moves, distance not yet applied,
    // and in focus mode the distance gathered for the decision at the end.
    std::optional<std::string> gestureKey;
    double pendingScroll = 0;
    bool scrollFlushScheduled = false;
    double lastScrollInput = 0;
    double focusSwipe = 0;

    struct PresentCache {
        double time = 0;
        std::set<WindowID> ids;
    };
    std::optional<PresentCache> presentCache;
    std::set<WindowID> loggedIgnored;
    std::set<WindowID> fullscreenWaiting;
    std::set<WindowID> fullscreenManaged;
    // Minimum heights windows were found to keep; the layout reads them as they are.
    WindowMap<double> minHeights;

    struct PreviousFocus {
        WindowID window = 0;
        std::string key;
        double time = 0;
    };
    std::optional<PreviousFocus> previousFocus;
    struct FocusAfterClose {
        WindowID window = 0;
        double until = 0;
    };
    std::optional<FocusAfterClose> focusAfterClose;

    const ManagedWindow* find(WindowID id) const {
        auto found = windows.find(id);
        return found == windows.end() ? nullptr : &found->second;
    }
    ManagedWindow* find(WindowID id) {
        auto found = windows.find(id);
        return found == windows.end() ? nullptr : &found->second;
    }
};

// What the engine keeps across a stop and a later start.
struct EngineState {
    bool isRunning = false;
    bool isPaused = false;
    std::vector<Display> displays;
    std::optional<std::string> activeKey;
    std::map<Pid, std::string> iconCache;
    struct LastStack {
        WindowID into = 0;
        double width = 0;
    };
    std::optional<LastStack> lastStack;
    double lastZoomToggle = 0;
    // The monitor setup the arrangements were last saved or restored for.
    std::optional<std::string> setupKey;
    double lastIndicatorUpdate = 0;
    // The window the focus border was last shown around; none while it is hidden.
    std::optional<WindowID> borderShownFor;
    // Work already queued on the main loop: a stop does not cancel it, so the flags stay with it.
    bool reconcileScheduled = false;
    bool layoutScheduled = false;
};

}  // namespace tessarin
