#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "input/input_tap.hpp"
#include "input/input_tap_delegate.hpp"
#include "input/scroll_tap.hpp"

using namespace tessarin;

namespace {

constexpr std::int64_t kMarker = 0x514C4F4E;
using Type = InputEventType;

struct Recorder : InputTapDelegate {
    explicit Recorder(const VirtualLoop& loop) : loop(&loop) {}
    const VirtualLoop* loop;
    std::vector<double> scrolls, ends, endTimes;
    double swipeReferenceWidth() override { return 1000; }
    void inputScroll(double by) override { scrolls.push_back(by); }
    void inputScrollEnded(double velocity) override {
        ends.push_back(velocity);
        endTimes.push_back(loop->now());
    }
};

InputEvent event(Type type, std::int64_t marker = 0) {
    InputEvent e;
    e.type = type;
    e.sourceUserData = marker;
    return e;
}

void expectNear(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-6 * std::max(1.0, std::abs(want[i]))) << i;
}

class TapTest : public testing::Test {
  protected:
    VirtualLoop loop{10};
    sim::SimDesktop desktop{loop};
    sim::SimInput& input = desktop.input();
    Recorder rec{loop};
    std::vector<std::string> logs;

    void SetUp() override {
        Log::setObserver([this](std::string_view line) { logs.emplace_back(line); });
    }
    void TearDown() override { Log::setObserver({}); }
    // True when the event reached the application.
    bool send(const InputEvent& event, double after = 0.01) {
        loop.advance(after);
        const bool passed = input.send(event);
        loop.drain();
        return passed;
    }
    // The mouse events that reached applications: d(own), g (drag), u(p); capitals for the
    // ones the tap replayed.
    std::string mice() const {
        std::string out;
        for (const InputEvent& e : input.delivered()) {
            if (e.type == Type::gesture) continue;
            const char c = e.type == Type::leftMouseDown ? 'd'
                           : e.type == Type::leftMouseUp ? 'u'
                                                         : 'g';
            out += e.sourceUserData == kMarker ? static_cast<char>(c - 'a' + 'A') : c;
        }
        return out;
    }
    bool logged(const std::string& line) const { return std::ranges::count(logs, line) > 0; }
};

class SwipeTest : public TapTest {
  protected:
    MemoryStore store;
    SteppedExecutor queues;
    std::optional<std::string> answer;  // the probe's
    std::size_t probes = 0;
    bool answerProbes = true;
    std::unique_ptr<InputTap> tap;

    void make(InputTap::Config config = {}, bool drag = true) {
        input.setThreeFingerDrag(drag);
        rec = Recorder(loop);
        tap = std::make_unique<InputTap>(input, loop, desktop.clock(), store, queues.queue("probe"),
                                         [this](Point) { return ++probes, answer; });
        tap->setDelegate(&rec);
        tap->setConfig(config);
        tap->start();
    }
    // n fingers, their mean at (0.5 + dx, 0.5 + dy).
    void touch(int n, double dx = 0, double dy = 0, double after = 0.01, bool settle = true) {
        InputEvent e = event(Type::gesture);
        e.touches = std::vector<Touch>(n, Touch{{0.5 + dx, 0.5 + dy}, TouchPhase::moved});
        if (after > 0) loop.advance(after);  // none: the main loop gets no turn in between
        input.send(e);
        if (!settle) return;  // the main loop has not read its copy yet
        loop.drain();
        if (answerProbes && queues.drain("probe") > 0) loop.drain();
    }
};

// n fingers, or one of the other steps below, `after` seconds after the previous step.
struct Step {
    int n;
    double dx = 0, dy = 0, after = 0.01;
};
constexpr int kDisable = -1, kStop = -2, kUnread = -3, kDown = -4, kDrag = -5, kUp = -6, kOwn = -7,
              kUnread2 = -8, kDownAtOnce = -9;

TEST_F(SwipeTest, SwipesSlideTheStripAndHoldBackThePressesOfThreeFingerDrag) {
    struct Walk {
        const char* name;
        std::vector<Step> steps;
        std::vector<double> scrolls, ends;
        std::string mice = {};
        InputTap::Config config = {.natural = false};
    };
    const InputTap::Config fast{.sensitivity = 312.5, .natural = false},
        twice{.sensitivity = 2, .natural = false};
    const std::vector<Walk> walks = {
        {"0.016 wide, 0.01 high commits", {{3}, {3, .016, .01}}, {25.6}, {0}},
        {"0.013 high is undecided", {{3}, {3, .016, .013}, {3, .03, .013}}, {48}, {0}},
        {"vertical", {{3}, {3, 0, .05}, {3, .1, .05}, {3, .2}, {0}, {3}, {3, .02}}, {32}, {0}},
        {"3 of 4 fingers", {{3}, {3, .1}, {kDown}, {kUp}}, {}, {}, "du", {.fingers = 4}},
        {"swipes off", {{3}, {3, .1}}, {}, {}, "", {.gesturesEnabled = false}},
        {"natural direction", {{3}, {3, .02}}, {-32}, {0}, "", {}},
        {"sensitivity", {{3}, {3, .02}, {3, .03}}, {64, 32}, {9600}, "", twice},
        {"tap off and back", {{3}, {3, .02}, {kDisable}, {3, .04}}, {32, 32}, {6400}},
        {"velocity", {{3}, {3, .02, 0, .1}, {3, .04, 0, .05}}, {1e4, 1e4}, {4e5}, "", fast},
        {"last 0.1 s only", {{3}, {3, .02, 0, .1}, {3, .04, 0, .15}}, {1e4, 1e4}, {0}, "", fast},
        {"rested, then lifted",
         {{3}, {3, .02, 0, .1}, {3, .04, 0, .05}, {0, 0, 0, .15}},
         {1e4, 1e4},
         {0},
         "",
         fast},
        {"drag at 0.3 s", {{3}, {kDown}, {kDrag, 0, 0, .29}, {kDrag, 0, 0, .02}}, {}, {}, "DGg"},
        {"press on an ignored touch", {{3}, {3, 0, .05}, {kDown}, {kUp}}, {}, {}, "Du"},
        {"two fingers", {{2}, {kDown}, {kUp}}, {}, {}, "du"},
        {"a press before its copy is read", {{kUnread}, {kDown}, {kUp}}, {}, {}, "DU"},
        {"late copies of fewer fingers",
         {{kUnread2}, {kDownAtOnce}, {3, .02}, {3, .03}, {kUp}},
         {48},
         {0}},
        {"swiped", {{3}, {kDown}, {3, .02}, {kDrag}, {kOwn}, {kUp}, {kDrag}}, {32}, {0}, "Gg"},
        {"stop replays a press", {{3}, {kDown}, {kStop}, {kUp}}, {}, {}, "Du"},
        {"stop ends the swipe", {{3}, {kDown}, {3, .02}, {kStop}, {kUp}}, {32}, {0}, "u"},
    };
    const Type mouse[] = {Type::leftMouseDown, Type::leftMouseDragged, Type::leftMouseUp,
                          Type::leftMouseDragged};
    for (const Walk& walk : walks) {
        SCOPED_TRACE(walk.name);
        make(walk.config);
        input.clearDelivered();
        for (const Step& s : walk.steps) {
            if (s.n >= 0) touch(s.n, s.dx, s.dy, s.after);
            if (s.n == kDisable) input.disableTaps(Type::tapDisabledByUserInput);
            if (s.n == kUnread) touch(3, 0, 0, 0.01, false);
            if (s.n == kUnread2) touch(2, 0, 0, 0, false), touch(3, 0, 0, 0, false);
            if (s.n == kStop) tap->stop(), tap->start();
            // The press arrives before the main loop has had a turn to read the copies.
            if (s.n == kDownAtOnce) input.send(event(Type::leftMouseDown)), loop.drain();
            if (s.n <= kDown && s.n >= kOwn)
                send(event(mouse[kDown - s.n], s.n == kOwn ? kMarker : 0), s.after);
        }
        touch(0);
        loop.advance(1);
        expectNear(rec.scrolls, walk.scrolls);
        expectNear(rec.ends, walk.ends);
        EXPECT_EQ(mice(), walk.mice);
        EXPECT_EQ(logged("swipe started (" + std::to_string(walk.config.fingers) + " fingers)"),
                  !walk.scrolls.empty());
        logs.clear();
    }
}

TEST_F(SwipeTest, ProbeSkipsASwipeOverASliderOnlyWhenThreeFingerDragDragsThere) {
    answer = "slider (AXSlider)";
    for (const bool drag : {true, false}) {
        probes = 0;
        logs.clear();
        make({}, drag);
        touch(3);
        touch(3, 0.02);
        EXPECT_EQ(probes, drag ? 1u : 0u);
        EXPECT_EQ(rec.scrolls.size(), drag ? 0u : 1u);
        EXPECT_EQ(logged("swipe skipped: started on a slider or video player"), drag);
    }
}

TEST_F(SwipeTest, SwipeWaitsForItsOwnProbeAtMostAFifthOfASecondAndNoLonger) {
    answer = "slider (AXSlider)";
    answerProbes = false;
    make();
    touch(3);
    touch(0);
    touch(3);
    queues.step("probe");  // the first touch's answer comes late and is dropped
    loop.drain();
    touch(3, 0.02, 0, 0.15);
    EXPECT_TRUE(rec.scrolls.empty());
    touch(3, 0.03, 0, 0.1);
    EXPECT_EQ(rec.scrolls.size(), 1u);
    queues.drain("probe");  // its own answer, after the swipe went ahead: too late to stop it
    loop.drain();
    touch(3, 0.05);
    EXPECT_EQ(rec.scrolls.size(), 2u);
}

TEST_F(SwipeTest, ThreeHundredEmptyCopiesMoveTheListenerToTheMainLoopForGood) {
    make();
    send(event(Type::gesture));  // unreadable
    for (int i = 0; i < 299; ++i)
        touch(0);
    EXPECT_EQ(input.tapThreads(), std::vector<std::string>{"Tessarin swipe"});
    touch(0);
    const auto d = tap->diagnostics();
    EXPECT_EQ(std::vector({d.eventsSeen, d.unreadableEvents, d.emptyEvents, d.maxFingersSeen}),
              std::vector<std::int64_t>({301, 1, 300, 0}));
    EXPECT_EQ(store.string("swipeTapMode"), "main");
    EXPECT_EQ(input.tapThreads(), std::vector<std::string>{""});
    EXPECT_TRUE(
        logged("swipe: copied events carry no finger data on this Mac, switching to the "
               "main-thread listener"));
    InputEvent doubleClick = event(Type::leftMouseDown);
    doubleClick.clickState = 2;
    EXPECT_TRUE(send(doubleClick));
    EXPECT_EQ(tap->lastDoubleClick(), loop.now());
    tap.reset();
    make({}, false);
    EXPECT_EQ(tap->diagnostics().mode, InputTap::Mode::main);
    touch(3);
    touch(3, 0.02);
    EXPECT_EQ(rec.scrolls.size(), 1u);
}

class ScrollTest : public TapTest {
  protected:
    static constexpr std::uint64_t kCtrlOpt = EventFlags::control | EventFlags::option;
    std::unique_ptr<ScrollTap> tap;

    void make(ScrollTap::Config config = {}) {
        rec = Recorder(loop);
        tap = std::make_unique<ScrollTap>(input, loop);
        tap->setDelegate(&rec);
        tap->setConfig(config);
        tap->start();
    }
    static InputEvent wheel(double d1, std::uint64_t flags = kCtrlOpt) {
        InputEvent e = event(Type::scrollWheel);
        e.flags = flags;
        e.pointDelta1 = d1;
        return e;
    }
    static InputEvent pad(double d1, double d2 = 0, std::int64_t phase = 1,
                          std::int64_t momentum = 0) {
        InputEvent e = wheel(d1);
        e.continuous = true;
        e.scrollPhase = phase;
        e.momentumPhase = momentum;
        e.pointDelta2 = d2;
        return e;
    }
};

TEST_F(ScrollTest, ExactlyTheConfiguredModifiersTakeTheScrollUntilItEnds) {
    struct Case {
        const char* name;
        // At seconds from the start; none: stop(); a tapDisabled… type: the system's switch.
        std::vector<std::pair<double, std::optional<InputEvent>>> steps;
        std::vector<double> scrolls, endTimes;
        std::size_t passed = 0;
        ScrollTap::Config config = {};
    };
    const auto shift = kCtrlOpt | EventFlags::shift, command = EventFlags::command,
               control = EventFlags::control;
    const Type off = Type::tapDisabledByTimeout;
    const std::vector<Case> cases = {
        {"wheel: 0.2 s after the last notch", {{0, wheel(1)}, {0.1, wheel(1)}}, {-4, -4}, {0.3}},
        {"caps lock is not looked at", {{0, wheel(1, kCtrlOpt | 0x10000)}}, {-4}, {0.2}},
        {"extra shift, control alone", {{0, wheel(1, shift)}, {.1, wheel(1, control)}}, {}, {}, 2},
        {"command, twice as far", {{0, wheel(-1, command)}}, {8}, {0.2}, 0, {command, 2}},
        {"horizontal axis larger", {{0, pad(3, -5)}}, {5}, {}},
        {"momentum runs to its end",
         {{0, pad(3, 2)}, {.01, pad(0, 0, 4)}, {.05, pad(3, 0, 0, 1)}, {.3, pad(0, 0, 0, 3)}},
         {-3, -3},
         {.3}},
        {"trackpad without momentum", {{0, pad(5)}, {0.01, pad(0, 0, 4)}}, {-5}, {0.07}},
        {"modifiers let go", {{0, wheel(1)}, {0.1, wheel(1, 0)}}, {-4}, {0.1}, 1},
        {"stray momentum", {{0, pad(3, 0, 0, 1)}, {0.1, pad(0, 0, 0, 3)}}, {}, {}},
        {"tap off and back", {{0, wheel(1)}, {.05, event(off)}, {.1, wheel(1)}}, {-4, -4}, {.3}},
        {"stopped mid-scroll", {{0, wheel(1)}, {0.05, std::nullopt}}, {-4}, {0.05}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        make(c.config);
        input.clearDelivered();
        const double t0 = loop.now();
        for (const auto& [at, event] : c.steps) {
            loop.advanceTo(t0 + at);
            !event               ? tap->stop()
            : event->type == off ? input.disableTaps()
                                 : void(input.send(*event));
            loop.drain();
        }
        loop.advance(1);
        for (double& t : rec.endTimes)
            t -= t0;
        expectNear(rec.scrolls, c.scrolls);
        expectNear(rec.endTimes, c.endTimes);
        EXPECT_EQ(rec.ends, std::vector<double>(c.endTimes.size(), 0.0));
        EXPECT_EQ(input.delivered().size(), c.passed);
    }
}

}  // namespace
