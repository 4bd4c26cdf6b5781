#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_state.hpp"

namespace tessarin {

// How the engine holds a window.
enum class WindowRole {
    unknown,   // not a window the engine knows
    tiled,     // in the strip of a connected display
    floating,  // left where the user puts it
    dormant,   // off screen, with a place to return to
    detached,  // waiting in the kept strip of an unplugged display, no display being left
    lost,      // known but held nowhere: always a fault in the engine's bookkeeping
};

const char* rawValue(WindowRole role);

// A read-only look at what the engine holds, for the shell, the scenario report, the command
// client and tests. It is valid while the engine lives and reads its state as it is now.
class EngineView {
  public:
    // `excluded`: the displays the user keeps out of tiling (windows never wait for them).
    EngineView(const EngineState& state, const EngineRun& run,
               std::vector<std::string> excluded = {})
        : state_(state), run_(run), excluded_(std::move(excluded)) {}

    bool isRunning() const { return state_.isRunning; }
    bool isPaused() const { return state_.isPaused; }
    bool focusMode() const { return run_.focusMode; }
    const std::vector<Display>& displays() const { return state_.displays; }
    // The display whose strip has the user's attention.
    const std::optional<std::string>& activeKey() const { return state_.activeKey; }

    // Strips of connected displays (and of displays that went while no other was left to take
    // their windows, see `detached`), by display UUID.
    const std::map<std::string, Strip>& strips() const { return run_.strips; }
    const Strip* strip(const std::string& key) const;
    // Strips kept for displays that were unplugged, for their return.
    const std::map<std::string, Strip>& detached() const { return run_.detached; }

    // Every known window, in window-number order.
    std::vector<WindowID> windows() const;
    // A known window's element, process and application; none for an unknown window.
    AXWindowPtr window(WindowID id) const;
    // The focused window of the active display's strip.
    std::optional<WindowID> focusedWindow() const;
    WindowRole role(WindowID id) const;
    // The display a known window belongs to.
    std::optional<std::string> displayOf(WindowID id) const;
    const Dormant* dormant(WindowID id) const;
    const std::map<WindowID, Dormant>& dormantWindows() const { return run_.dormant; }
    const std::set<WindowID>& floating() const { return run_.floating; }
    // The frame last handed to the mover.
    std::optional<Rect> lastApplied(WindowID id) const;
    // Reconciliations in a row that missed the tiled window on screen.
    int missCount(WindowID id) const;
    // Windows the user moved or resized by hand, waiting for the mouse button to come up.
    bool userMoved(WindowID id) const { return run_.pendingMoves.count(id) > 0; }
    bool userResized(WindowID id) const { return run_.pendingResizes.count(id) > 0; }
    // A tiled window that entered full screen keeps its place while it is away.
    bool fullscreenManaged(WindowID id) const { return run_.fullscreenManaged.count(id) > 0; }

    std::optional<ScrollAnimation> animation(const std::string& key) const;
    const Morph* morph(const std::string& key) const;
    // Whether the animation timer runs.
    bool animating() const { return run_.animationTimer.has_value(); }

    // A description of the first broken rule of the engine's bookkeeping, or none when every
    // rule holds: each known window in exactly one place, display entries that agree with the
    // strips, nothing kept for windows the engine does not know, strips that keep their own
    // rules.
    std::optional<std::string> bookkeepingFault() const;

  private:
    const EngineState& state_;
    const EngineRun& run_;
    std::vector<std::string> excluded_;
};

}  // namespace tessarin
