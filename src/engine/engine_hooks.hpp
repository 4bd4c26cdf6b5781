#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "engine/engine_types.hpp"
#include "system/display.hpp"

namespace tessarin {

class WindowManager;

// The pieces of the engine's world that arrive later (input taps, pointer interaction, applying
// changed settings, the overview panel and the focus border). The engine calls them at the points
// where they act; the defaults do nothing, so the engine runs complete without them.

// What the input listeners have seen and what the system refused, for the debug dump.
struct InputDiagnostics {
    bool threeFingerDrag = false;
    std::uint64_t eventsSeen = 0;
    std::uint64_t unreadableEvents = 0;
    std::int64_t maxFingersSeen = 0;
    bool onMainThread = false;
    // The shortcuts the system would not register, as the user reads them.
    std::vector<std::string> refusedShortcuts;
};

class InputControl {
  public:
    virtual ~InputControl() = default;
    virtual void configureInput(WindowManager&) {}
    virtual void stopTaps() {}
    virtual bool swipeTapInstalled() const { return false; }
    virtual bool scrollTapInstalled() const { return false; }
    // Put back a tap the system took away (it disables taps that answer too slowly).
    virtual void startSwipeTap(WindowManager&) {}
    virtual void startScrollTap(WindowManager&) {}
    // When the swipe tap last saw a double click, in monotonic seconds.
    virtual std::optional<double> lastDoubleClick() const { return std::nullopt; }
    virtual InputDiagnostics diagnostics() const { return {}; }
};

class StripIndicator {
  public:
    virtual ~StripIndicator() = default;
    virtual void show(const StripIndicatorModel&, const Display&, bool /*sticky*/) {}
    virtual void update(const StripIndicatorModel&) {}
    virtual void hide() {}
    virtual bool isVisible() const { return false; }
    virtual std::optional<std::string> shownKey() const { return std::nullopt; }
};

class FocusBorder {
  public:
    virtual ~FocusBorder() = default;
    virtual void show(const Rect& /*frame*/, WindowID, double /*width*/) {}
    virtual void hide() {}
};

// The hooks the engine is built with; every one may be left at its default.
struct EngineHooks {
    InputControl* input = nullptr;
    StripIndicator* indicator = nullptr;
    FocusBorder* border = nullptr;
};

}  // namespace tessarin
