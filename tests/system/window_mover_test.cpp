#include "system/window_mover.hpp"

#include <gtest/gtest.h>

#include "scripted_accessibility.hpp"
#include "system_fixture.hpp"

namespace tessarin {
namespace {

struct Report {
    WindowID id;
    Size actual;
    Size wanted;
    bool operator==(const Report&) const = default;
};

class WindowMoverTest : public test::SimFixture {
  protected:
    WindowMoverTest() {
        mover->setOnMinimumSize([this](WindowID id, Size actual, Size wanted) {
            reports.push_back({id, actual, wanted});
        });
    }

    std::string label(Pid pid) { return WindowMover::queueLabel(pid); }

    // Runs everything the mover has started, including its second look at refused sizes.
    void settle() {
        queues.drainAll();
        loop.drain();
        loop.advance(WindowMover::minimumSizeRecheck);
        queues.drainAll();
        loop.drain();
    }

    // Writes a first frame so that the mover knows the window's size.
    std::shared_ptr<AXWindow> placed(Pid pid, Rect frame, Size minimumSize = {}) {
        auto window = this->window(open(pid, {300, 300, 400, 300}, minimumSize));
        mover->move(window, frame);
        settle();
        sim.clearWrites();
        return window;
    }

    void setEnhanced(Pid pid, bool on) {
        sim.accessibility().setAttribute(sim.accessibility().application(pid),
                                         "AXEnhancedUserInterface", on);
    }

    // Every write as "<attribute>" for windows and "app <attribute>=<flag>" for applications.
    std::vector<std::string> writeLog() {
        std::vector<std::string> names;
        for (const sim::AttributeWrite& write : sim.writes()) {
            if (write.window) {
                names.push_back(write.attribute);
            } else {
                const bool* flag = std::get_if<bool>(&write.value);
                names.push_back("app " + write.attribute + "=" + (flag && *flag ? "1" : "0"));
            }
        }
        return names;
    }

    std::shared_ptr<WindowMover> mover =
        WindowMover::create(sim.accessibility(), queues, loop, sim.clock());
    std::vector<Report> reports;
    const std::vector<std::string> threeSteps{"AXSize", "AXPosition", "AXSize"};
};

TEST_F(WindowMoverTest, TwoMovesBeforeTheQueueRunsWriteOnlyTheSecondAndReadsWaitForWrites) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600});
    auto window = this->window(id);
    sim.clearWrites();

    mover->move(window, {0, 30, 700, 500});
    mover->move(window, {10, 40, 600, 450});
    EXPECT_EQ(queues.pending(label(pid)), 1u);
    settle();

    ASSERT_EQ(writtenAttributes(id), threeSteps);
    for (const sim::AttributeWrite& write : sim.writes()) {
        const bool second =
            write.value == AXValue{Size{600, 450}} || write.value == AXValue{Point{10, 40}};
        EXPECT_TRUE(second);
    }
    EXPECT_EQ(frameOf(id), (Rect{10, 40, 600, 450}));

    // A read runs after queued writes; reset drops waiting frames.
    mover->move(window, {0, 30, 500, 400});
    std::optional<Rect> seen;
    mover->read(pid, [&] { seen = frameOf(id); });
    queues.drain(label(pid));
    EXPECT_EQ(seen, (Rect{0, 30, 500, 400}));
    sim.clearWrites();
    mover->move(window, {100, 30, 500, 400});
    mover->reset();
    settle();
    EXPECT_TRUE(sim.writes().empty());
    // The application is idle again, and its size is unknown: a full write.
    mover->move(window, {200, 30, 500, 400});
    EXPECT_EQ(queues.pending(label(pid)), 1u);
    settle();
    EXPECT_EQ(writtenAttributes(id), threeSteps);
}

TEST_F(WindowMoverTest, AnUnchangedSizeIsOnePositionWriteUnlessForgotten) {
    Pid pid = launch("com.example.editor");
    auto window = placed(pid, {0, 30, 700, 500});
    // The application grows the window by itself; a pure move must not read it back.
    sim.moveWindow(window->id, {0, 30, 760, 500});
    sim.clearWrites();

    mover->move(window, {50, 30, 700, 500});
    queues.drainAll();
    EXPECT_EQ(writtenAttributes(window->id), std::vector<std::string>{"AXPosition"});
    EXPECT_EQ(loop.postedCount(), 0u);
    settle();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(frameOf(window->id), (Rect{50, 30, 760, 500}));

    // After forget, the next write is the full three steps.
    sim.clearWrites();
    mover->forget(window->id);
    mover->move(window, {40, 30, 700, 500});
    settle();
    EXPECT_EQ(writtenAttributes(window->id), threeSteps);
}

TEST_F(WindowMoverTest, GrowingMovesFirstAndShrinkingResizesFirst) {
    Pid pid = launch("com.example.editor");
    auto window = placed(pid, {0, 30, 700, 500});
    const std::vector<std::string> grow{"AXPosition", "AXSize"};
    const std::vector<std::string> shrink{"AXSize", "AXPosition"};

    auto writesFor = [&](Rect frame) {
        sim.clearWrites();
        mover->move(window, frame);
        settle();
        EXPECT_EQ(frameOf(window->id), frame);
        return writtenAttributes(window->id);
    };
    EXPECT_EQ(writesFor({100, 30, 900, 600}), grow);
    EXPECT_EQ(writesFor({100, 30, 500, 400}), shrink);
    EXPECT_EQ(writesFor({100, 30, 600, 300}), grow);    // wider though shorter
    EXPECT_EQ(writesFor({100, 30, 500, 450}), grow);    // taller though narrower
    EXPECT_EQ(writesFor({100, 30, 500, 200}), shrink);  // shorter only
}

TEST_F(WindowMoverTest, AWindowThatStaysWiderIsReportedOnceOnTheMainLoop) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600}, {720, 0});
    // A few points wider is not a minimum size: no second look, no report.
    WindowID few = open(launch("com.example.other"), {100, 100, 800, 600}, {703, 504});
    mover->move(window(id), {0, 30, 700, 500});
    mover->move(window(few), {0, 30, 700, 500});

    queues.drainAll();
    EXPECT_EQ(loop.postedCount(), 1u);
    loop.drain();
    // The second look waits 0.15 s and runs on the application's queue.
    loop.advance(WindowMover::minimumSizeRecheck - 0.01);
    EXPECT_EQ(queues.pending(label(pid)), 0u);
    loop.advance(0.01);
    EXPECT_EQ(queues.pending(label(pid)), 1u);
    queues.drainAll();
    EXPECT_TRUE(reports.empty());  // delivered on the main loop, not on the queue
    loop.drain();
    EXPECT_EQ(reports, (std::vector<Report>{{id, {720, 500}, {700, 500}}}));

    loop.advance(1);
    queues.drainAll();
    loop.drain();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(frameOf(few).size(), (Size{703, 504}));
}

TEST_F(WindowMoverTest, AReportOvertakenByANewerFrameOrForgetOrTheMoverIsDropped) {
    Pid pid = launch("com.example.editor");
    WindowID id = open(pid, {100, 100, 800, 600}, {720, 0});
    auto window = this->window(id);
    mover->move(window, {0, 30, 700, 500});
    queues.drainAll();
    loop.drain();
    // A wider frame is asked for before the second look.
    mover->move(window, {0, 30, 900, 500});
    settle();
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(frameOf(id), (Rect{0, 30, 900, 500}));

    mover->move(window, {0, 30, 600, 500});
    queues.drainAll();
    loop.drain();
    mover->forget(id);
    settle();
    EXPECT_TRUE(reports.empty());

    // Queued work outlives the mover harmlessly.
    mover->move(window, {0, 30, 700, 500});
    queues.drainAll();  // written; the second look is on its way
    mover->move(window, {50, 30, 700, 500});
    sim.clearWrites();
    std::weak_ptr<WindowMover> weak = mover;
    mover.reset();
    EXPECT_TRUE(weak.expired());  // queued blocks do not keep it alive
    settle();
    EXPECT_TRUE(sim.writes().empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(WindowMoverTest, TheEnhancedInterfaceIsOffAroundABatchAndItsStateTrustedForFiveSeconds) {
    Pid assisted = launch("com.example.assisted");
    WindowID first = open(assisted, {100, 100, 400, 300});
    WindowID second = open(assisted, {200, 100, 400, 300});
    Pid plain = launch("com.example.plain");
    WindowID third = open(plain, {300, 100, 400, 300});
    setEnhanced(assisted, true);
    sim.clearWrites();

    mover->move(window(first), {0, 30, 500, 400});
    mover->move(window(second), {500, 30, 500, 400});
    mover->move(window(third), {1000, 30, 400, 400});
    queues.drain(label(assisted));
    std::vector<std::string> expected{"app AXEnhancedUserInterface=0"};
    for (int i = 0; i < 2; ++i)
        expected.insert(expected.end(), threeSteps.begin(), threeSteps.end());
    expected.push_back("app AXEnhancedUserInterface=1");
    EXPECT_EQ(writeLog(), expected);

    sim.clearWrites();
    queues.drain(label(plain));
    EXPECT_EQ(writeLog(), threeSteps);

    // The state read is trusted for five seconds.
    auto window = this->window(third);
    setEnhanced(plain, true);  // turned on after the mover read it as off
    sim.clearWrites();
    mover->move(window, {1010, 30, 400, 400});
    settle();
    EXPECT_EQ(writeLog(), std::vector<std::string>{"AXPosition"});

    loop.advance(WindowMover::enhancedUIValidity);
    sim.clearWrites();
    mover->move(window, {1020, 30, 400, 400});
    settle();
    EXPECT_EQ(writeLog(), (std::vector<std::string>{"app AXEnhancedUserInterface=0", "AXPosition",
                                                    "app AXEnhancedUserInterface=1"}));
}

TEST_F(WindowMoverTest, SlowWritesAreLoggedWithTheirBundle) {
    Pid pid = launch(std::nullopt, "Bare");
    auto window = placed(pid, {0, 30, 700, 500});
    sim.setWriteLatency(pid, 0.03);
    mover->move(window, {10, 30, 700, 500});
    settle();
    EXPECT_TRUE(log.all().empty());  // 30 ms is not slow

    sim.setWriteLatency(pid, 0.05);
    mover->move(window, {20, 30, 700, 500});
    mover->move(window, {20, 30, 600, 500});  // coalesced: one shrink, two writes
    settle();
    auto lines = log.all();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0] == "slow resize: ? took 100 ms" || lines[0] == "slow resize: ? took 99 ms")
        << lines[0];

    mover->move(window, {30, 30, 600, 500});
    settle();
    lines = log.all();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1] == "slow move: ? took 50 ms" || lines[1] == "slow move: ? took 49 ms")
        << lines[1];
}

TEST_F(WindowMoverTest, FramesAskedForDuringABatchJoinTheSameDrain) {
    Pid pid = launch("com.example.editor");
    WindowID firstID = open(pid, {100, 100, 400, 300});
    WindowID secondID = open(pid, {200, 100, 400, 300});
    test::ScriptedAccessibility ax(sim.accessibility());
    auto scriptedMover = WindowMover::create(ax, queues, loop, sim.clock());
    auto first = AXWindow::create(ax, sim.workspace(), sim.window(firstID)->element, pid);
    auto second = AXWindow::create(ax, sim.workspace(), sim.window(secondID)->element, pid);
    bool asked = false;
    ax.onWrite([&](const AXElement&, std::string_view) {
        if (std::exchange(asked, true)) return;
        scriptedMover->move(second, {500, 30, 400, 300});
    });

    scriptedMover->move(first, {0, 30, 400, 300});
    EXPECT_EQ(queues.drain(label(pid)), 1u);
    EXPECT_EQ(frameOf(firstID), (Rect{0, 30, 400, 300}));
    EXPECT_EQ(frameOf(secondID), (Rect{500, 30, 400, 300}));
}

// That the other application's writes go on meanwhile is in the threaded test of the mover.
TEST_F(WindowMoverTest, AHungApplicationsWritesFailEachWithinItsTimeoutAndAreLogged) {
    const auto apps = hungAndLively(sim::HangMode::timeOutAtOnce);
    mover->move(apps.stuck, {0, 30, 500, 400});
    queues.drain(label(apps.hung));
    EXPECT_EQ(frameOf(apps.stuck->id), (Rect{100, 100, 400, 300}));
    const std::string id = std::to_string(apps.stuck->id);
    EXPECT_EQ(log.starting("setFrame failed"),
              std::vector<std::string>{"setFrame failed pos=-25204 size=-25204 for " + id +
                                       " com.example.hung"});
    // Three writes, each bounded by the window's half-second timeout.
    auto slow = log.starting("slow resize");
    ASSERT_EQ(slow.size(), 1u);
    EXPECT_TRUE(slow[0] == "slow resize: com.example.hung took 1500 ms" ||
                slow[0] == "slow resize: com.example.hung took 1499 ms")
        << slow[0];
}

}  // namespace
}  // namespace tessarin
