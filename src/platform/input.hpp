#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/main_loop.hpp"
#include "core/geometry.hpp"

namespace tessarin {

// Modifier keys as input events carry them (not the Carbon-style masks of stored shortcuts).
namespace EventFlags {
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
// The four keys a modifier scroll compares; caps lock, fn and the keypad flag are left out.
inline constexpr std::uint64_t modifierKeys = 0x1E0000;
}  // namespace EventFlags

// The system's numbers for the event types the taps look at.
enum class InputEventType : std::uint32_t {
    leftMouseDown = 1,
    leftMouseUp = 2,
    leftMouseDragged = 6,
    scrollWheel = 22,
    gesture = 29,
    // Not events of the stream: the system tells a tap it was switched off.
    tapDisabledByTimeout = 0xFFFFFFFE,
    tapDisabledByUserInput = 0xFFFFFFFF,
};

// One bit per stream event type, for a tap's mask.
constexpr std::uint64_t eventMaskBit(InputEventType type) {
    return std::uint64_t{1} << static_cast<std::uint32_t>(type);
}

enum class TouchPhase : std::uint8_t { began, moved, stationary, ended, cancelled };

// One finger on the trackpad, its position normalised to 0 … 1 across the surface.
struct Touch {
    Point normalized;
    TouchPhase phase = TouchPhase::began;

    bool touching() const {
        return phase == TouchPhase::began || phase == TouchPhase::moved ||
               phase == TouchPhase::stationary;
    }
    bool operator==(const Touch&) const = default;
};

// Scroll phases: the continuous device's own and the momentum that follows a flick.
namespace ScrollPhase {
inline constexpr std::int64_t ended = 4;
inline constexpr std::int64_t cancelled = 8;
}  // namespace ScrollPhase
namespace MomentumPhase {
inline constexpr std::int64_t none = 0;
inline constexpr std::int64_t ended = 3;
}  // namespace MomentumPhase

// A copy of one event of the session's stream. Fields that do not belong to its type stay at
// their defaults.
struct InputEvent {
    InputEventType type = InputEventType::leftMouseDown;
    Point location;               // top-left convention
    std::uint64_t flags = 0;      // EventFlags
    std::int64_t clickState = 0;  // mouse: 2 for the second click of a double click
    // Set by whoever posted the event; a tap marks the events it posts back with its own value.
    std::int64_t sourceUserData = 0;

    // Scroll wheel.
    bool continuous = false;  // a trackpad or other precise device, not a line-based wheel
    std::int64_t scrollPhase = 0;
    std::int64_t momentumPhase = 0;
    double pointDelta1 = 0;  // vertical
    double pointDelta2 = 0;  // horizontal

    // Gesture: the fingers on the trackpad; none when the event cannot be read.
    std::optional<std::vector<Touch>> touches;

    bool operator==(const InputEvent&) const = default;
};

enum class TapVerdict : std::uint8_t { pass, swallow };

// Where a tap's callback runs: on a thread of its own (named, for debuggers and the log) or on
// the main loop.
enum class TapPlacement : std::uint8_t { ownThread, mainLoop };

// An active listener at the head of the session's event stream: it sees each event of its
// types before any application and may swallow it. Destroying it removes it.
class EventTap {
  public:
    virtual ~EventTap() = default;
    // Created disabled. The system may disable a tap by itself (it answered too slowly, or
    // user input); the callback is then told with a tapDisabled… event.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
    // The loop the callback runs on: the tap's own thread's, or the main loop. Timers the tap
    // needs next to its events go here.
    virtual MainLoop& loop() = 0;
    // The modifier keys (EventFlags) of the events the tap's owner acts on. A backend that
    // cannot see every event catches only events with these modifier keys held; one that sees
    // everything ignores it.
    virtual void watchModifiers(std::uint64_t /*flags*/) {}
};

class InputEvents {
  public:
    using Callback = std::function<TapVerdict(const InputEvent&)>;

    virtual ~InputEvents() = default;
    // A tap for the event types in `mask` (eventMaskBit). None when the system refuses it (no
    // permission to watch input, or the backend cannot watch these types).
    virtual std::unique_ptr<EventTap> createTap(std::uint64_t mask, TapPlacement placement,
                                                const std::string& threadName,
                                                Callback callback) = 0;
    // Puts an event back into the session's stream, where taps see it again and then the
    // application under the pointer.
    virtual void post(const InputEvent& event) = 0;
    // The system turns a three-finger swipe into a press and drag at the pointer as well.
    virtual bool threeFingerDragEnabled() = 0;
};

// A registered hot key is known to the system by a pair (signature, id).
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;

    bool operator==(const HotKeyID&) const = default;
};

// System-wide hot keys: a key code and a modifier mask (the stored forms of KeyCombo) under an
// id. Presses arrive on the main loop with the id.
class HotKeys {
  public:
    using Handler = std::function<void(HotKeyID)>;
    using Ref = std::uint64_t;

    virtual ~HotKeys() = default;
    virtual void setHandler(Handler handler) = 0;
    // None when the system refuses the combination (taken by another program, or a key this
    // keyboard does not have).
    virtual std::optional<Ref> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                              HotKeyID id) = 0;
    virtual void unregisterHotKey(Ref ref) = 0;
};

}  // namespace tessarin
