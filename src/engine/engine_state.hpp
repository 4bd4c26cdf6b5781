#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "core/strip.hpp"
#include "core/window_id.hpp"
#include "core/window_map.hpp"
#include "engine/engine_types.hpp"
#include "system/ax_window.hpp"
#include "system/display.hpp"

namespace tessarin {

// Everything the engine knows. Windows are named by their window number, displays (and their
// strips) by the display's UUID. Times are monotonic seconds.
//
// A known window (in `windows`) is in exactly one of: a strip (tiled), `floating`, or
// `dormant`. `windowDisplay` has an entry for every tiled or dormant window and for floating
// windows admitted on a display. The per-window maps hold entries only for known windows.
struct EngineState {
    bool isRunning = false;
    bool isPaused = false;
    bool focusMode = false;
    double focusSwipe = 0;

    std::vector<Display> displays;
    std::map<WindowID, AXWindowPtr> windows;
    std::set<WindowID> floating;
    std::map<std::string, Strip> strips;
    std::map<std::string, Strip> detached;
    std::map<WindowID, std::string> windowDisplay;
    std::map<WindowID, Dormant> dormant;
    std::map<WindowID, Rect> lastApplied;
    std::map<WindowID, double> suppressUntil;
    std::optional<std::string> activeKey;
    std::map<std::string, ScrollAnimation> animations;
    std::map<std::string, Morph> morphs;
    std::optional<std::uint64_t> animationTimer;
    std::map<std::string, bool> needsLayout;
    bool layoutScheduled = false;
    bool reconcileScheduled = false;
    std::set<WindowID> pendingMoves;
    std::set<WindowID> pendingResizes;
    std::optional<std::string> gestureKey;

    struct PresentCache {
        double time = 0;
        std::set<WindowID> ids;
    };
    std::optional<PresentCache> presentCache;
    std::map<WindowID, int> missCount;
    struct Drift {
        Rect frame;
        int count = 0;
    };
    std::map<WindowID, Drift> driftCount;
    std::set<WindowID> loggedIgnored;
    std::set<WindowID> fullscreenWaiting;
    std::set<WindowID> fullscreenManaged;
    std::map<Pid, std::string> iconCache;
    WindowMap<double> minHeights;
    struct LastStack {
        WindowID into = 0;
        double width = 0;
    };
    std::optional<LastStack> lastStack;
    std::map<WindowID, std::string> titleCache;
    double lastIndicatorUpdate = 0;
    double pendingScroll = 0;
    double lastScrollInput = 0;
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
    bool scrollFlushScheduled = false;
    std::optional<std::string> setupKey;
    double lastUserFrameChange = 0;
    double lastZoomToggle = 0;
    int healthTicks = 0;
    struct SizeRetry {
        Rect wanted;
        int count = 0;
    };
    std::map<WindowID, SizeRetry> sizeRetries;
};

}  // namespace tessarin
