#include "backends/x11/x11_swipe_decoder.hpp"

#include "backends/x11/x11_keys.hpp"

namespace tessarin::x11 {

namespace {

double fixed(xcb_input_fp1616_t value) {
    return static_cast<double>(value) / 65536.0;
}

}  // namespace

std::optional<InputEvent> SwipeDecoder::decode(const xcb_input_gesture_swipe_begin_event_t& event) {
    InputEvent out;
    out.type = InputEventType::gesture;
    out.location = {fixed(event.root_x), fixed(event.root_y)};
    out.flags = keys::flagsFromX(static_cast<std::uint16_t>(event.mods.effective));
    TouchPhase phase = TouchPhase::moved;
    switch (event.event_type) {
        case XCB_INPUT_GESTURE_SWIPE_BEGIN:
            position_ = {0.5, 0.5};
            active_ = true;
            phase = TouchPhase::began;
            break;
        case XCB_INPUT_GESTURE_SWIPE_UPDATE:
            // An update without its begin (the tap was enabled mid-swipe) starts in the middle.
            if (!active_) position_ = {0.5, 0.5};
            active_ = true;
            // Normalised positions grow upwards, X's deltas downwards.
            position_.x += fixed(event.delta_unaccel_x) / kTrackpadSpan;
            position_.y -= fixed(event.delta_unaccel_y) / kTrackpadSpan;
            break;
        case XCB_INPUT_GESTURE_SWIPE_END:
            // No finger touches any more: the finger count drops, ending the swipe.
            active_ = false;
            out.touches = std::vector<Touch>{};
            return out;
        default:
            return std::nullopt;
    }
    out.touches = std::vector<Touch>(event.detail, Touch{position_, phase});
    return out;
}

}  // namespace tessarin::x11
