#include "backends/x11/x11_input_events.hpp"

#include <pthread.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "backends/x11/x11_connection.hpp"
#include "backends/x11/x11_desktop.hpp"
#include "backends/x11/x11_hot_keys.hpp"
#include "backends/x11/x11_keys.hpp"
#include "backends/x11/x11_swipe_decoder.hpp"
#include "base/log.hpp"
#include "base/real_loop.hpp"

namespace tessarin::x11 {

namespace {

// Wheel buttons: 4 up, 5 down, 6 left, 7 right.
constexpr xcb_button_t kWheelUp = 4, kWheelDown = 5, kWheelLeft = 6, kWheelRight = 7;
// Linux limits thread names to 15 bytes.
constexpr std::size_t kThreadNameBytes = 15;

// The XInput event mask that selects the swipe gestures, or none of them.
struct SwipeSelection {
    explicit SwipeSelection(bool on) {
        if (!on) return;
        // One bit per event type: 30 and 31 in the first word, 32 in the second.
        bits[0] = (1u << XCB_INPUT_GESTURE_SWIPE_BEGIN) | (1u << XCB_INPUT_GESTURE_SWIPE_UPDATE);
        bits[1] = 1u << (XCB_INPUT_GESTURE_SWIPE_END - 32);
    }
    xcb_input_event_mask_t head{XCB_INPUT_DEVICE_ALL_MASTER, 2};
    std::uint32_t bits[2] = {0, 0};
};

class X11Tap : public EventTap {
  public:
    X11Tap(xcb_connection_t* c, xcb_window_t root, std::uint64_t mask,
           InputEvents::Callback callback, MainLoop& mainLoop)
        : c_(c), root_(root), callback_(std::move(callback)), mainLoop_(mainLoop) {
        wheel_ = mask & eventMaskBit(InputEventType::scrollWheel);
        if (mask & eventMaskBit(InputEventType::gesture)) xiOpcode_ = swipeOpcode();
        if (xiOpcode_ && !selectSwipes(true)) {
            // Like button presses, the start of a gesture goes to one client per window.
            Log::info("swipe: another program takes the touchpad's swipe gestures");
            xiOpcode_ = 0;
        } else if (xiOpcode_) {
            selectSwipes(false);  // created disabled
        }
        readNumLock();
    }

    // Starts reading: on a thread of its own, or on the main loop.
    void start(TapPlacement placement, const std::string& threadName) {
        const int fd = xcb_get_file_descriptor(c_);
        if (placement == TapPlacement::mainLoop) {
            watch_ = mainLoop_.watchReadable(fd, [this] { read(); });
            return;
        }
        ownLoop_ = std::make_unique<RealLoop>();
        watch_ = ownLoop_->watchReadable(fd, [this] { read(); });
        thread_ = std::thread([this, name = threadName.substr(0, kThreadNameBytes)] {
            pthread_setname_np(pthread_self(), name.c_str());
            ownLoop_->run();
        });
    }

    // Not from the tap's own callback: a tap on its own thread waits for that thread here.
    ~X11Tap() override {
        alive_->store(false);
        {
            std::lock_guard lock(mutex_);
            enabled_ = false;
            apply();
        }
        if (ownLoop_) {
            ownLoop_->unwatch(watch_);
            ownLoop_->quit();
            thread_.join();
        } else {
            mainLoop_.unwatch(watch_);
        }
        xcb_disconnect(c_);
    }

    void setEnabled(bool enabled) override {
        std::lock_guard lock(mutex_);
        if (enabled_ == enabled) return;
        enabled_ = enabled;
        apply();
        readSoon();
    }
    bool isEnabled() const override { return enabled_; }
    MainLoop& loop() override { return ownLoop_ ? *ownLoop_ : mainLoop_; }

    void watchModifiers(std::uint64_t flags) override {
        std::lock_guard lock(mutex_);
        const std::uint16_t mask = keys::flagsToX(flags & EventFlags::modifierKeys);
        if (mask == modifiers_) return;
        modifiers_ = mask;
        if (!enabled_) return;
        apply();
        readSoon();
    }

  private:
    // The server's XInput major opcode when it has swipe gestures (2.4), else 0.
    std::uint8_t swipeOpcode() {
        const xcb_query_extension_reply_t* input = xcb_get_extension_data(c_, &xcb_input_id);
        if (!input || !input->present) return 0;
        Reply<xcb_input_xi_query_version_reply_t> version(
            xcb_input_xi_query_version_reply(c_, xcb_input_xi_query_version(c_, 2, 4), nullptr));
        if (!version || version->major_version < 2 ||
            (version->major_version == 2 && version->minor_version < 4)) {
            return 0;
        }
        return input->major_opcode;
    }

    void readNumLock() {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c_);
        numLock_ = symbols ? numLockMask(c_, symbols) : 0;
        if (symbols) xcb_key_symbols_free(symbols);
    }

    // Under the lock: releases every grab and selection, then takes what an enabled tap
    // needs. Requests only, no replies: the reading thread must be the only one that pulls
    // from the connection, or an event could sit in XCB's queue with the socket quiet.
    void apply() {
        xcb_ungrab_button(c_, XCB_BUTTON_INDEX_ANY, root_, XCB_MOD_MASK_ANY);
        // Plain scrolling is never taken from the applications: no modifiers, no grab.
        if (enabled_ && wheel_ && modifiers_) {
            for (std::uint16_t mask : keys::lockVariants(modifiers_, numLock_)) {
                for (xcb_button_t button : {kWheelUp, kWheelDown, kWheelLeft, kWheelRight}) {
                    xcb_grab_button(c_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                                    XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, button, mask);
                }
            }
        }
        if (xiOpcode_) {
            SwipeSelection select(enabled_);
            xcb_input_xi_select_events(c_, root_, 1, &select.head);
        }
        xcb_flush(c_);
    }

    // Writing from outside the reading turn can pull events into XCB's queue and leave the
    // socket quiet, so the reader would not wake for them: it gets a turn of its own.
    void readSoon() {
        loop().post([alive = alive_, this] {
            if (alive->load()) read();
        });
    }

    // Selects the swipe gestures on the root, or deselects them; false when the server refuses.
    bool selectSwipes(bool on) {
        SwipeSelection select(on);
        Reply<xcb_generic_error_t> error(
            xcb_request_check(c_, xcb_input_xi_select_events_checked(c_, root_, 1, &select.head)));
        return !error;
    }

    void read() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            Reply<xcb_generic_event_t> owned(event);
            handle(*event);
        }
        if (xcb_connection_has_error(c_)) loop().unwatch(watch_);
    }

    void handle(const xcb_generic_event_t& event) {
        const std::uint8_t type = event.response_type & 0x7F;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto& mapping = reinterpret_cast<const xcb_mapping_notify_event_t&>(event);
            if (mapping.request == XCB_MAPPING_POINTER) return;
            std::lock_guard lock(mutex_);
            readNumLock();
            apply();
            return;
        }
        if (!enabled_) return;  // in flight when the grabs were released
        if (type == XCB_BUTTON_PRESS) {
            const auto& press = reinterpret_cast<const xcb_button_press_event_t&>(event);
            InputEvent out;
            out.type = InputEventType::scrollWheel;
            out.location = {static_cast<double>(press.root_x), static_cast<double>(press.root_y)};
            out.flags = keys::flagsFromX(press.state);
            if (press.detail == kWheelUp || press.detail == kWheelDown)
                out.pointDelta1 = press.detail == kWheelUp ? 1 : -1;
            else if (press.detail == kWheelLeft || press.detail == kWheelRight)
                out.pointDelta2 = press.detail == kWheelLeft ? 1 : -1;
            else
                return;
            // Grabbed means taken: whatever the verdict, the click has nowhere else to go.
            callback_(out);
        } else if (type == XCB_GE_GENERIC && xiOpcode_) {
            const auto& generic = reinterpret_cast<const xcb_ge_generic_event_t&>(event);
            if (generic.extension != xiOpcode_) return;
            const auto decoded = decoder_.decode(
                reinterpret_cast<const xcb_input_gesture_swipe_begin_event_t&>(event));
            if (decoded) callback_(*decoded);
        }
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    InputEvents::Callback callback_;
    MainLoop& mainLoop_;
    std::unique_ptr<RealLoop> ownLoop_;
    std::thread thread_;
    MainLoop::WatchID watch_ = 0;
    bool wheel_ = false;
    std::uint8_t xiOpcode_ = 0;
    SwipeDecoder decoder_;  // the reading thread's

    std::mutex mutex_;  // guards the grabs and what they are made of
    std::atomic<bool> enabled_{false};
    // False once the tap is being destroyed: a read posted for it is dropped.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    std::uint16_t modifiers_ = 0;
    std::uint16_t numLock_ = 0;
};

}  // namespace

std::unique_ptr<EventTap> X11InputEvents::createTap(std::uint64_t mask, TapPlacement placement,
                                                    const std::string& threadName,
                                                    Callback callback) {
    // A connection of the tap's own, without the desktop's atoms and extension queries.
    xcb_window_t root = 0;
    std::string error;
    xcb_connection_t* c = connectToScreen(desktop_.displayName(), root, error);
    if (!c) return nullptr;
    auto tap = std::make_unique<X11Tap>(c, root, mask, std::move(callback), desktop_.loop());
    tap->start(placement, threadName);
    return tap;
}

void X11InputEvents::post(const InputEvent&) {}

}  // namespace tessarin::x11
