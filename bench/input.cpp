// What the swipe and modifier-scroll taps cost per event on the listener's thread: the callback
// alone, captured through a stand-in for the system's event service. Work the callback hands to
// the main loop or schedules as a timer is accepted and dropped, so only the hand-over counts.

#include <cstdint>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "base/memory_store.hpp"
#include "input/input_tap.hpp"
#include "input/input_tap_delegate.hpp"
#include "input/scroll_tap.hpp"

namespace tessarin {
namespace {

// Takes work and drops it; the cost of making and handing over a task stays in the figure.
class DroppingLoop : public MainLoop {
  public:
    void post(Task task) override { benchmark::DoNotOptimize(task); }
    TimerID after(double, Task task) override {
        benchmark::DoNotOptimize(task);
        return ++last_;
    }
    TimerID every(double, Task) override { return ++last_; }
    void cancel(TimerID) override {}
    double now() const override { return 0; }

  private:
    TimerID last_ = 0;
};

class FixedClock : public Clock {
  public:
    double now() const override { return 1; }
};

class CapturingEvents : public InputEvents {
  public:
    class Tap : public EventTap {
      public:
        explicit Tap(MainLoop& loop) : loop_(loop) {}
        void setEnabled(bool enabled) override { enabled_ = enabled; }
        bool isEnabled() const override { return enabled_; }
        MainLoop& loop() override { return loop_; }

      private:
        MainLoop& loop_;
        bool enabled_ = false;
    };

    std::unique_ptr<EventTap> createTap(std::uint64_t, TapPlacement, const std::string&,
                                        Callback callback) override {
        callback_ = std::move(callback);
        return std::make_unique<Tap>(tapLoop_);
    }
    void post(const InputEvent&) override {}
    bool threeFingerDragEnabled() override { return true; }

    TapVerdict send(const InputEvent& event) { return callback_(event); }

  private:
    DroppingLoop tapLoop_;
    Callback callback_;
};

struct NoDelegate : InputTapDelegate {
    double swipeReferenceWidth() override { return 1000; }
    void inputScroll(double) override {}
    void inputScrollEnded(double) override {}
};

InputEvent scroll(std::uint64_t flags, bool continuous) {
    InputEvent event;
    event.type = InputEventType::scrollWheel;
    event.flags = flags;
    event.continuous = continuous;
    event.scrollPhase = continuous ? 2 : 0;
    event.pointDelta1 = 3;
    return event;
}

void runScroll(benchmark::State& state, const InputEvent& event, TapVerdict expected) {
    CapturingEvents events;
    DroppingLoop mainLoop;
    NoDelegate delegate;
    ScrollTap tap(events, mainLoop);
    tap.setDelegate(&delegate);
    tap.start();
    if (events.send(event) != expected) state.SkipWithError("unexpected verdict");
    for (auto _ : state)
        benchmark::DoNotOptimize(events.send(event));
    state.SetItemsProcessed(state.iterations());
}

void runSwipe(benchmark::State& state, const InputEvent& event) {
    CapturingEvents events;
    DroppingLoop mainLoop;
    FixedClock clock;
    MemoryStore store;
    InputTap tap(events, mainLoop, clock, store, nullptr, {});
    tap.start();
    if (events.send(event) != TapVerdict::pass) state.SkipWithError("unexpected verdict");
    for (auto _ : state)
        benchmark::DoNotOptimize(events.send(event));
    state.SetItemsProcessed(state.iterations());
}

constexpr std::uint64_t kCtrlOpt = EventFlags::control | EventFlags::option;

// Passed untouched.
void BM_ScrollPlainPasses(benchmark::State& state) {
    runScroll(state, scroll(0, true), TapVerdict::pass);
}
void BM_SwipeMouseDragPasses(benchmark::State& state) {
    InputEvent drag;
    drag.type = InputEventType::leftMouseDragged;
    runSwipe(state, drag);
}
void BM_SwipeGestureCopied(benchmark::State& state) {
    InputEvent gesture;
    gesture.type = InputEventType::gesture;
    gesture.touches = std::vector<Touch>(3, Touch{{0.5, 0.5}, TouchPhase::moved});
    runSwipe(state, gesture);
}

// Taken from the applications.
void BM_ScrollModifierTrackpadTaken(benchmark::State& state) {
    runScroll(state, scroll(kCtrlOpt, true), TapVerdict::swallow);
}
void BM_ScrollModifierWheelTaken(benchmark::State& state) {
    runScroll(state, scroll(kCtrlOpt, false), TapVerdict::swallow);
}

BENCHMARK(BM_ScrollPlainPasses);
BENCHMARK(BM_SwipeMouseDragPasses);
BENCHMARK(BM_SwipeGestureCopied);
BENCHMARK(BM_ScrollModifierTrackpadTaken);
BENCHMARK(BM_ScrollModifierWheelTaken);

}  // namespace
}  // namespace tessarin

BENCHMARK_MAIN();
