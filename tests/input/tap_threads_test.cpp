// The taps on real threads: events arrive on a tap thread of their own while the main loop
// runs the delegate, as on a desktop. Run under ThreadSanitizer, this checks what the tap
// thread and the main loop share.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "base/memory_store.hpp"
#include "base/real_loop.hpp"
#include "input/input_tap.hpp"
#include "input/input_tap_delegate.hpp"
#include "input/scroll_tap.hpp"

namespace tessarin {
namespace {

// Taps whose callbacks run on one real thread with a loop of its own.
class ThreadedEvents : public InputEvents {
  public:
    ThreadedEvents() : thread_([this] { tapLoop_.run(); }) {}
    ~ThreadedEvents() override {
        tapLoop_.quit();
        thread_.join();
    }

    class Tap : public EventTap {
      public:
        Tap(ThreadedEvents& owner, Callback callback)
            : callback_(std::move(callback)), owner_(owner) {}
        ~Tap() override { owner_.tap_.store(nullptr); }
        void setEnabled(bool enabled) override { enabled_ = enabled; }
        bool isEnabled() const override { return enabled_; }
        MainLoop& loop() override { return owner_.tapLoop_; }
        Callback callback_;

      private:
        ThreadedEvents& owner_;
        std::atomic<bool> enabled_{false};
    };

    std::unique_ptr<EventTap> createTap(std::uint64_t, TapPlacement, const std::string&,
                                        Callback callback) override {
        auto tap = std::make_unique<Tap>(*this, std::move(callback));
        tap_.store(tap.get());
        return tap;
    }
    void post(const InputEvent& event) override { send(event); }
    bool threeFingerDragEnabled() override { return true; }

    // Runs the event through the tap on the tap's thread.
    void send(const InputEvent& event) {
        tapLoop_.post([this, event] {
            if (Tap* tap = tap_.load(); tap && tap->isEnabled())
                if (tap->callback_(event) == TapVerdict::swallow) ++swallowed;
        });
    }
    // Returns once the main loop has run what the tap handed it for the events sent so far.
    void sync(MainLoop& main) {
        std::promise<void> done;
        tapLoop_.post([&] { main.post([&] { done.set_value(); }); });
        done.get_future().wait();
    }
    std::atomic<int> swallowed{0};

  private:
    RealLoop tapLoop_;
    std::atomic<Tap*> tap_{nullptr};
    std::thread thread_;
};

struct LoopClock : Clock {
    explicit LoopClock(const MainLoop& loop) : loop(loop) {}
    double now() const override { return loop.now(); }
    const MainLoop& loop;
};

// Runs each probe at once on the thread that asks.
struct InlineQueue : SerialQueue {
    void async(Task task) override { task(); }
};

struct Totals : InputTapDelegate {
    explicit Totals(RealLoop& loop) : loop_(loop) {}
    double swipeReferenceWidth() override { return 1000; }
    void inputScroll(double by) override { distance += by; }
    void inputScrollEnded(double) override {
        ++ends;
        loop_.quit();
    }
    double distance = 0;
    int ends = 0;

  private:
    RealLoop& loop_;
};

InputEvent scroll(double delta, std::uint64_t flags) {
    InputEvent event;
    event.type = InputEventType::scrollWheel;
    event.continuous = true;
    event.pointDelta1 = delta;
    event.flags = flags;
    return event;
}

TEST(TapThreads, ScrollTapHandsEveryDistanceToTheMainLoop) {
    RealLoop main;
    Totals totals(main);
    ThreadedEvents events;
    ScrollTap tap(events, main);
    tap.setDelegate(&totals);
    tap.start();
    const std::uint64_t base = EventFlags::control | EventFlags::option;
    std::thread user([&] {
        for (int i = 0; i < 500; ++i) {
            events.send(scroll(-1, base));
            // The settings change under the tap's feet, as the settings window may.
            if (i % 50 == 0) tap.setConfig({base, 1.0});
        }
        events.send(scroll(-1, 0));  // the modifiers are let go: the scroll ends
    });
    // A deadline only against a hang; the end of the scroll quits the loop.
    main.after(30, [&] { main.quit(); });
    main.run();
    user.join();
    tap.stop();
    EXPECT_EQ(totals.ends, 1);
    EXPECT_DOUBLE_EQ(totals.distance, 500);
    EXPECT_EQ(events.swallowed.load(), 500);
}

InputEvent mouse(InputEventType type) {
    InputEvent event;
    event.type = type;
    return event;
}

InputEvent fingers(int count, double x) {
    InputEvent event;
    event.type = InputEventType::gesture;
    event.touches = std::vector<Touch>(count, Touch{{x, 0.5}, TouchPhase::moved});
    return event;
}

TEST(TapThreads, SwipeTapHoldsAndReleasesPressesAcrossThreads) {
    RealLoop main;
    Totals totals(main);
    ThreadedEvents events;
    MemoryStore defaults;
    LoopClock clock(main);
    InputTap tap(events, main, clock, defaults, std::make_shared<InlineQueue>(),
                 [](Point) { return std::optional<std::string>(); });
    tap.setDelegate(&totals);
    tap.start();
    std::thread user([&] {
        // Three-finger drag presses at the pointer once the fingers are down; each movement
        // is seen by the main loop before the next, as a trackpad's pace allows.
        for (int i = 0; i <= 40; ++i) {
            events.send(fingers(3, 0.5 - i * 0.005));
            events.sync(main);
            if (i == 2) events.send(mouse(InputEventType::leftMouseDown));
            if (i > 2) events.send(mouse(InputEventType::leftMouseDragged));
        }
        events.send(mouse(InputEventType::leftMouseUp));
        events.send(fingers(0, 0));
    });
    main.after(30, [&] { main.quit(); });
    main.run();
    user.join();
    tap.stop();
    EXPECT_EQ(totals.ends, 1);
    EXPECT_GT(totals.distance, 0);          // natural direction: fingers to the left slide it right
    EXPECT_GE(events.swallowed.load(), 1);  // the press was held back
}

}  // namespace
}  // namespace tessarin
