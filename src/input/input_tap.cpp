#include "input/input_tap.hpp"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/log.hpp"
#include "input/hot_key_center.hpp"
#include "input/input_tap_delegate.hpp"

namespace tessarin {

namespace {

// Events the tap posts back carry the hot keys' signature, so the tap knows them again.
constexpr std::int64_t kMarker = HotKeyCenter::kSignature;
constexpr const char* kModeKey = "swipeTapMode";
constexpr const char* kThreadName = "Tessarin swipe";

// A swipe commits once the fingers moved 1.5 % of the trackpad's width, clearly sideways.
constexpr double kCommitDistance = 0.015;
constexpr double kHorizontalRatio = 1.3;
// Mostly vertical movement beyond this is a scroll or a drag, never a swipe.
constexpr double kVerticalDistance = 0.04;
// How long a swipe waits for the slider probe before it goes ahead without the answer.
constexpr double kProbeWait = 0.2;
constexpr double kStepScale = 1.6;
// The release velocity looks at this much of the end of the movement.
constexpr double kVelocityWindow = 0.1;
// Three fingers that did not start a swipe by then are the user's real drag.
constexpr double kDragDecision = 0.3;
// The finger count may arrive just after the press.
constexpr double kCountRetry = 0.03;
// No press is held longer than this, whatever else happens. It runs on the main loop, like
// the other timers of a held press: a main loop that stalls holds the press that long too.
constexpr double kSafetyRelease = 0.45;
constexpr std::size_t kMaxHeldEvents = 400;
// Some machines hand the listener's thread copies without finger data; after this many with
// no finger ever seen, the listener moves to the main loop for good.
constexpr std::int64_t kEmptyEventsBeforeSwitch = 300;

bool isMouse(InputEventType type) {
    return type == InputEventType::leftMouseDown || type == InputEventType::leftMouseUp ||
           type == InputEventType::leftMouseDragged;
}

std::int64_t touching(const std::vector<Touch>& touches) {
    return std::ranges::count_if(touches, [](const Touch& t) { return t.touching(); });
}

}  // namespace

struct InputTap::State {
    State(InputEvents& events, MainLoop& mainLoop, const Clock& clock, KeyValueStore& defaults,
          std::shared_ptr<SerialQueue> probeQueue, SliderProbe probe)
        : events(events),
          mainLoop(mainLoop),
          clock(clock),
          defaults(defaults),
          probeQueue(std::move(probeQueue)),
          probe(std::move(probe)) {
        diag.mode = defaults.string(kModeKey) == "main" ? Mode::main : Mode::thread;
    }

    InputEvents& events;
    MainLoop& mainLoop;
    const Clock& clock;
    KeyValueStore& defaults;
    std::shared_ptr<SerialQueue> probeQueue;
    SliderProbe probe;
    std::weak_ptr<State> self;

    // Shared between the tap's thread, the main loop and the probe's answer.
    mutable std::mutex lock;
    std::unique_ptr<EventTap> tap;
    Config config;
    std::optional<bool> sliderAnswer = false;  // none: the probe has not answered yet
    std::int64_t lastTouchCount = 0;
    std::int64_t pressSerial = 0;
    // Gesture events the listener's thread has seen, and how many it had seen when the held
    // press went down: in thread mode the main loop reads older copies after the press.
    std::uint64_t gestureSeq = 0;
    std::uint64_t pressAfterGesture = 0;
    std::optional<double> lastDoubleClick;
    bool holdingPress = false;
    std::vector<InputEvent> heldEvents;
    bool droppingPress = false;

    // Main loop only.
    struct Sample {
        double t;
        double d;
    };
    InputTapDelegate* delegate = nullptr;
    bool tracking = false;
    bool committed = false;
    double lastX = 0;
    double startX = 0;
    double startY = 0;
    std::deque<Sample> samples;
    bool ignoringTouch = false;
    double sliderCheckStarted = 0;
    std::int64_t touchSession = 0;
    Diagnostics diag;

    bool installed() const {
        std::lock_guard guard(lock);
        return tap != nullptr;
    }

    void start() {
        if (installed()) return;
        const Mode mode = diag.mode;
        std::weak_ptr<State> weak = self;
        auto callback = [weak, mode](const InputEvent& event) {
            const auto state = weak.lock();
            return state ? state->onEvent(event, mode) : TapVerdict::pass;
        };
        const std::uint64_t mask = eventMaskBit(InputEventType::leftMouseDown) |
                                   eventMaskBit(InputEventType::leftMouseUp) |
                                   eventMaskBit(InputEventType::leftMouseDragged) |
                                   eventMaskBit(InputEventType::gesture);
        auto created = mode == Mode::thread
                           ? events.createTap(mask, TapPlacement::ownThread, kThreadName, callback)
                           : events.createTap(mask, TapPlacement::mainLoop, "", callback);
        if (!created) return;  // no permission yet: a later start tries again
        EventTap* raw = created.get();
        {
            std::lock_guard guard(lock);
            tap = std::move(created);
        }
        raw->setEnabled(true);
    }

    void stop() {
        std::unique_ptr<EventTap> old;
        {
            std::lock_guard guard(lock);
            old = std::move(tap);
            droppingPress = false;
            sliderAnswer = false;
        }
        if (old) old->setEnabled(false);
        old.reset();
        // With the tap gone nothing new is held; what is held goes to the application.
        resolvePress(false);
        // A swipe cut off by the stop still settles the strip.
        if (tracking) finishSwipe();
        tracking = false;
        committed = false;
        ignoringTouch = false;
        ++touchSession;  // a probe still running answers for a touch that is gone
    }

    // Tap's thread in thread mode, main loop in main mode.
    TapVerdict onEvent(const InputEvent& event, Mode mode) {
        if (event.type == InputEventType::tapDisabledByTimeout ||
            event.type == InputEventType::tapDisabledByUserInput) {
            // Only the listener is switched back on: the touch and press state stay as they
            // were, so a gesture in progress carries on.
            std::lock_guard guard(lock);
            if (tap) tap->setEnabled(true);
            return TapVerdict::pass;
        }
        if (isMouse(event.type)) return handleMouse(event) ? TapVerdict::pass : TapVerdict::swallow;
        if (event.type == InputEventType::gesture) {
            if (mode == Mode::thread) {
                // The press that three-finger drag makes can come before the main loop has read
                // this copy, so the count the press logic looks at is kept here, in event order.
                std::uint64_t seq;
                {
                    std::lock_guard guard(lock);
                    if (event.touches) lastTouchCount = touching(*event.touches);
                    seq = ++gestureSeq;
                }
                mainLoop.post([weak = self, event, seq] {
                    if (const auto state = weak.lock()) state->handleGesture(event, false, seq);
                });
            } else {
                handleGesture(event, true, std::nullopt);
            }
        }
        return TapVerdict::pass;
    }

    // `keepsCount`: this is the listener's own thread, the one that keeps lastTouchCount.
    // `seq`: the copy's place among the gestures its thread saw (none: read as delivered).
    void handleGesture(const InputEvent& event, bool keepsCount, std::optional<std::uint64_t> seq) {
        // Copies still queued when the tap stopped belong to no listener any more.
        if (!installed()) return;
        ++diag.eventsSeen;
        if (!event.touches) {
            ++diag.unreadableEvents;
            return;
        }
        const std::int64_t n = touching(*event.touches);
        diag.maxFingersSeen = std::max(diag.maxFingersSeen, n);
        if (diag.mode == Mode::thread && diag.maxFingersSeen == 0 &&
            ++diag.emptyEvents >= kEmptyEventsBeforeSwitch) {
            Log::info(
                "swipe: copied events carry no finger data on this Mac, switching to the "
                "main-thread listener");
            defaults.set(kModeKey, "main");
            diag.mode = Mode::main;
            stop();
            start();
            return;
        }

        Config cfg;
        std::optional<bool> answer;
        bool beforePress;
        {
            std::lock_guard guard(lock);
            cfg = config;
            if (keepsCount) lastTouchCount = n;
            answer = sliderAnswer;
            beforePress = seq && *seq < pressAfterGesture;
        }
        // Swipes switched off: every touch is one that is not a strip swipe.
        if (n != cfg.fingers || !cfg.gesturesEnabled) {
            if (tracking) finishSwipe();
            // A committed swipe has already swallowed its press: one still held is not part of
            // a swipe, unless it went down after the fingers this late copy counts.
            if (!beforePress) resolvePress(false);
            ignoringTouch = false;
            {
                std::lock_guard guard(lock);
                sliderAnswer = false;
            }
            ++touchSession;
            return;
        }
        if (ignoringTouch) return;
        // An answer that comes after the swipe went ahead without it no longer stops it.
        if (answer == true && !committed) {
            ignoringTouch = true;
            resolvePress(false);
            Log::info("swipe skipped: started on a slider or video player");
            return;
        }

        double x = 0;
        double y = 0;
        for (const Touch& t : *event.touches) {
            if (!t.touching()) continue;
            x += t.normalized.x;
            y += t.normalized.y;
        }
        x /= static_cast<double>(n);
        y /= static_cast<double>(n);

        if (!tracking) {
            startSliderCheck(event.location, cfg.fingers);
            tracking = true;
            committed = false;
            lastX = startX = x;
            startY = y;
            samples.clear();
            return;
        }
        if (!committed) {
            const double dx = std::abs(x - startX);
            const double dy = std::abs(y - startY);
            if (dx > kCommitDistance && dy * kHorizontalRatio < dx) {
                if (!answer && clock.now() - sliderCheckStarted < kProbeWait) return;
                committed = true;
                lastX = startX;  // the first step carries all movement since the touch began
                resolvePress(true);
                Log::info("swipe started (" + std::to_string(cfg.fingers) + " fingers)");
            } else {
                if (dy > kVerticalDistance) {
                    tracking = false;
                    ignoringTouch = true;
                    resolvePress(false);
                }
                return;
            }
        }
        const double step = cfg.sensitivity * (x - lastX);
        lastX = x;
        // Fingers to the right give a positive step; natural direction moves the viewport the
        // other way, so the strip follows the fingers.
        const double d = cfg.natural ? -step * kStepScale : step * kStepScale;
        record(d);
        if (delegate) delegate->inputScroll(d * delegate->swipeReferenceWidth());
    }

    void record(double d) {
        const double now = clock.now();
        samples.push_back({now, d});
        while (!samples.empty() && samples.front().t < now - kVelocityWindow)
            samples.pop_front();
    }

    double velocity() const {
        if (samples.empty() || !(samples.front().t < samples.back().t)) return 0;
        double sum = 0;
        for (const Sample& s : samples)
            sum += s.d;
        return sum / (samples.back().t - samples.front().t);
    }

    void finishSwipe() {
        const bool wasCommitted = committed;
        tracking = false;
        committed = false;
        // Fingers that rested before lifting have no speed left; a trackpad that reports
        // nothing while they rest leaves only old samples, which must not fling the strip.
        const double now = clock.now();
        while (!samples.empty() && samples.front().t < now - kVelocityWindow)
            samples.pop_front();
        if (wasCommitted && delegate)
            delegate->inputScrollEnded(velocity() * delegate->swipeReferenceWidth());
    }

    void startSliderCheck(Point at, std::int64_t fingers) {
        const std::int64_t session = ++touchSession;
        // Only a three-finger swipe with three-finger drag on also drags at the pointer.
        if (fingers != 3 || !probe || !probeQueue || !events.threeFingerDragEnabled()) {
            std::lock_guard guard(lock);
            sliderAnswer = false;
            return;
        }
        {
            std::lock_guard guard(lock);
            sliderAnswer.reset();
        }
        sliderCheckStarted = clock.now();
        probeQueue->async([weak = self, loop = &mainLoop, probe = probe, at, session] {
            const bool hit = probe(at).has_value();
            loop->post([weak, session, hit] {
                const auto state = weak.lock();
                if (!state || state->touchSession != session) return;  // an older touch's
                std::lock_guard guard(state->lock);
                state->sliderAnswer = hit;
            });
        });
    }

    // Whether the mouse event passes. Tap's thread or main loop; never waits for either.
    bool handleMouse(const InputEvent& event) {
        if (event.sourceUserData == kMarker) return true;
        std::unique_lock guard(lock);
        if (!tap) return true;  // stopping: hold nothing more
        if (event.type == InputEventType::leftMouseDown) {
            if (event.clickState >= 2) lastDoubleClick = clock.now();
            droppingPress = false;
            if (!holdingPress) {
                if (config.fingers != 3 || !config.gesturesEnabled || lastTouchCount != 3 ||
                    !events.threeFingerDragEnabled())
                    return true;
                holdingPress = true;
                heldEvents = {event};
                pressAfterGesture = gestureSeq;
                const std::int64_t serial = ++pressSerial;
                guard.unlock();
                mainLoop.post([weak = self] {
                    if (const auto state = weak.lock()) state->pressArrived(false);
                });
                mainLoop.after(kSafetyRelease, [weak = self, serial] {
                    if (const auto state = weak.lock()) state->resolvePress(false, serial);
                });
                return false;
            }
        } else {
            if (droppingPress) {
                if (event.type == InputEventType::leftMouseUp) droppingPress = false;
                return false;
            }
            if (!holdingPress) return true;
        }
        heldEvents.push_back(event);
        if (heldEvents.size() > kMaxHeldEvents) {
            const std::int64_t serial = pressSerial;
            guard.unlock();
            mainLoop.post([weak = self, serial] {
                if (const auto state = weak.lock()) state->resolvePress(false, serial);
            });
        }
        return false;
    }

    void pressArrived(bool retry) {
        std::int64_t count;
        std::int64_t serial;
        {
            std::lock_guard guard(lock);
            if (!holdingPress) return;
            count = lastTouchCount;
            serial = pressSerial;
        }
        if (committed) {
            resolvePress(true);
        } else if (count == 3) {
            if (ignoringTouch) {
                resolvePress(false);
                return;
            }
            mainLoop.after(kDragDecision, [weak = self, serial] {
                const auto state = weak.lock();
                if (!state) return;
                {
                    std::lock_guard guard(state->lock);
                    if (!state->holdingPress || state->pressSerial != serial) return;
                }
                state->ignoringTouch = true;
                state->resolvePress(false, serial);
            });
        } else if (retry) {
            resolvePress(false);
        } else {
            mainLoop.after(kCountRetry, [weak = self] {
                if (const auto state = weak.lock()) state->pressArrived(true);
            });
        }
    }

    // Lets the held press go: replayed to the application, or swallowed by a swipe together
    // with the rest of it.
    void resolvePress(bool swipe, std::optional<std::int64_t> onlySerial = std::nullopt) {
        std::vector<InputEvent> held;
        {
            std::lock_guard guard(lock);
            if (!holdingPress || (onlySerial && *onlySerial != pressSerial)) return;
            held.swap(heldEvents);
            holdingPress = false;
            if (swipe)
                droppingPress = std::ranges::none_of(held, [](const InputEvent& e) {
                    return e.type == InputEventType::leftMouseUp;
                });
        }
        if (swipe) return;
        for (InputEvent& event : held) {
            event.sourceUserData = kMarker;
            events.post(event);
        }
    }
};

InputTap::InputTap(InputEvents& events, MainLoop& mainLoop, const Clock& clock,
                   KeyValueStore& defaults, std::shared_ptr<SerialQueue> probeQueue,
                   SliderProbe probe)
    : state_(std::make_shared<State>(events, mainLoop, clock, defaults, std::move(probeQueue),
                                     std::move(probe))) {
    state_->self = state_;
}

InputTap::~InputTap() {
    // The owner may be half gone: nothing is told of the swipe cut off here.
    state_->delegate = nullptr;
    state_->stop();
}

void InputTap::setDelegate(InputTapDelegate* delegate) {
    state_->delegate = delegate;
}
void InputTap::start() {
    state_->start();
}
void InputTap::stop() {
    state_->stop();
}
bool InputTap::installed() const {
    return state_->installed();
}

InputTap::Config InputTap::config() const {
    std::lock_guard guard(state_->lock);
    return state_->config;
}

void InputTap::setConfig(const Config& config) {
    std::lock_guard guard(state_->lock);
    state_->config = config;
}

std::optional<double> InputTap::lastDoubleClick() const {
    std::lock_guard guard(state_->lock);
    return state_->lastDoubleClick;
}

bool InputTap::threeFingerDragEnabled() const {
    return state_->events.threeFingerDragEnabled();
}
InputTap::Diagnostics InputTap::diagnostics() const {
    return state_->diag;
}

}  // namespace tessarin
