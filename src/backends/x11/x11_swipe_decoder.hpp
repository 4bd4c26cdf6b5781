#pragma once

#include <xcb/xinput.h>

#include <optional>

#include "platform/input.hpp"

namespace tessarin::x11 {

// Turns XInput 2.4 swipe gestures into the gesture events the swipe tap reads: `detail`
// fingers at one mean position on a virtual trackpad, starting in its middle and moved by the
// gesture's deltas. Pure, so recorded events can be replayed without a server.
class SwipeDecoder {
  public:
    // Gesture deltas are in the device's own units (libinput: about a millimetre's worth of
    // pointer motion, unaccelerated). A swipe across this many is a swipe across the whole
    // surface, which is what normalised positions measure; a typical trackpad is 100 mm wide
    // and reports ~10 units per mm.
    static constexpr double kTrackpadSpan = 1000.0;

    // The event for a swipe begin, update or end (a cancel is an end with the cancelled flag);
    // none for any other event type.
    std::optional<InputEvent> decode(const xcb_input_gesture_swipe_begin_event_t& event);

  private:
    Point position_{0.5, 0.5};
    bool active_ = false;
};

}  // namespace tessarin::x11
