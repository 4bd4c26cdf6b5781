#include "input/scroll_tap.hpp"

#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

#include "input/input_tap_delegate.hpp"

namespace tessarin {

namespace {

constexpr const char* kThreadName = "Tessarin scroll";
// A line-based wheel moves a notch this many times as far as its point delta says.
constexpr double kWheelFactor = 4;
// A wheel has no end event: this long without a notch ends the scroll.
constexpr double kWheelEnd = 0.2;
// After a trackpad scroll ends, momentum has this long to begin.
constexpr double kMomentumGrace = 0.06;

}  // namespace

struct ScrollTap::State {
    State(InputEvents& events, MainLoop& mainLoop) : events(events), mainLoop(mainLoop) {}

    InputEvents& events;
    MainLoop& mainLoop;
    std::weak_ptr<State> self;
    InputTapDelegate* delegate = nullptr;  // main loop only

    // One lock for everything: the tap's thread reads the settings and keeps the scroll's
    // state, and stop() on the main loop must end a scroll in progress without a race.
    mutable std::mutex lock;
    std::unique_ptr<EventTap> tap;
    Config config;
    bool active = false;
    std::optional<MainLoop::TimerID> endTimer;  // on the tap's loop
    std::uint64_t endSerial = 0;                // tells a stale timer from the pending one

    bool installed() const {
        std::lock_guard guard(lock);
        return tap != nullptr;
    }

    void start() {
        if (installed()) return;
        auto created =
            events.createTap(eventMaskBit(InputEventType::scrollWheel), TapPlacement::ownThread,
                             kThreadName, [weak = self](const InputEvent& event) {
                                 const auto state = weak.lock();
                                 return state ? state->onEvent(event) : TapVerdict::pass;
                             });
        if (!created) return;  // no permission yet: a later start tries again
        EventTap* raw = created.get();
        {
            std::lock_guard guard(lock);
            // A desktop that delivers only the combinations asked for needs to know ours.
            raw->watchModifiers(config.modifiers);
            tap = std::move(created);
        }
        raw->setEnabled(true);
    }

    void stop() {
        std::unique_ptr<EventTap> old;
        {
            std::lock_guard guard(lock);
            if (!tap) return;
            // A scroll cut off here still settles the strip, and its timer dies with the tap.
            endLocked();
            old = std::move(tap);
        }
        old->setEnabled(false);
    }

    TapVerdict onEvent(const InputEvent& event) {
        if (event.type == InputEventType::tapDisabledByTimeout ||
            event.type == InputEventType::tapDisabledByUserInput) {
            std::lock_guard guard(lock);
            if (tap) tap->setEnabled(true);
            return TapVerdict::pass;
        }
        if (event.type != InputEventType::scrollWheel) return TapVerdict::pass;
        return handle(event) ? TapVerdict::swallow : TapVerdict::pass;
    }

    // Whether the event was ours, which is exactly whether the modifiers matched.
    bool handle(const InputEvent& event) {
        std::lock_guard guard(lock);
        if (!tap) return false;
        if ((event.flags & EventFlags::modifierKeys) != config.modifiers) {
            if (active) endLocked();
            return false;
        }
        if (event.momentumPhase != MomentumPhase::none) {
            // Momentum of a scroll that was not ours, or already ended, moves nothing.
            if (!active) return true;
            cancelTimerLocked();
            if (event.momentumPhase == MomentumPhase::ended) {
                endLocked();
                return true;
            }
        }
        double delta = std::abs(event.pointDelta2) > std::abs(event.pointDelta1)
                           ? event.pointDelta2
                           : event.pointDelta1;
        if (!event.continuous) delta *= kWheelFactor;
        if (delta != 0) {
            active = true;
            const double distance = -(delta * config.sensitivity);
            tellDelegate([distance](InputTapDelegate& d) { d.inputScroll(distance); });
            if (!event.continuous) {
                scheduleEndLocked(kWheelEnd);
                return true;
            }
        }
        if (!event.continuous) return true;
        if (event.scrollPhase == ScrollPhase::ended || event.scrollPhase == ScrollPhase::cancelled)
            scheduleEndLocked(kMomentumGrace);
        return true;
    }

    // Posted under the lock, so the main loop sees the calls in the order they were made.
    template <typename Call>
    void tellDelegate(Call call) {
        mainLoop.post([weak = self, call] {
            const auto state = weak.lock();
            if (state && state->delegate) call(*state->delegate);
        });
    }

    void scheduleEndLocked(double seconds) {
        cancelTimerLocked();
        const std::uint64_t serial = ++endSerial;
        endTimer = tap->loop().after(seconds, [weak = self, serial] {
            const auto state = weak.lock();
            if (!state) return;
            std::lock_guard guard(state->lock);
            if (!state->endTimer || state->endSerial != serial) return;
            state->endTimer.reset();
            state->endLocked();
        });
    }

    void cancelTimerLocked() {
        if (endTimer && tap) tap->loop().cancel(*endTimer);
        endTimer.reset();
    }

    void endLocked() {
        cancelTimerLocked();
        if (!active) return;
        active = false;
        // The system's momentum has already moved the strip; the engine settles from there.
        tellDelegate([](InputTapDelegate& d) { d.inputScrollEnded(0); });
    }
};

ScrollTap::ScrollTap(InputEvents& events, MainLoop& mainLoop)
    : state_(std::make_shared<State>(events, mainLoop)) {
    state_->self = state_;
}

ScrollTap::~ScrollTap() {
    state_->delegate = nullptr;
    state_->stop();
}

void ScrollTap::setDelegate(InputTapDelegate* delegate) {
    state_->delegate = delegate;
}
void ScrollTap::start() {
    state_->start();
}
void ScrollTap::stop() {
    state_->stop();
}
bool ScrollTap::installed() const {
    return state_->installed();
}

ScrollTap::Config ScrollTap::config() const {
    std::lock_guard guard(state_->lock);
    return state_->config;
}

void ScrollTap::setConfig(const Config& config) {
    std::lock_guard guard(state_->lock);
    state_->config = config;
    if (state_->tap) state_->tap->watchModifiers(config.modifiers);
}

}  // namespace tessarin
