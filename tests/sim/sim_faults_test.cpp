#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "backends/sim/sim_queue_runner.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin::sim {
namespace {

struct SimFaults : ::testing::Test {
    VirtualLoop loop;
    SimDesktop desktop{loop};
    Accessibility& ax = desktop.accessibility();
    Pid slow = 0;
    Pid quick = 0;
    WindowID slowWindow = 0;
    WindowID quickWindow = 0;

    void SetUp() override {
        desktop.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}));
        slow = desktop.launch(makeApp("com.example.slow", "Slow"));
        quick = desktop.launch(makeApp(std::nullopt, "Quick"));
        slowWindow = *desktop.openWindow(slow, makeWindow("S", {100, 100, 600, 400}));
        quickWindow = *desktop.openWindow(quick, makeWindow("Q", {200, 200, 600, 400}));
        loop.drain();
    }
    AXElement element(WindowID id) { return *desktop.element(id); }
    Rect frame(WindowID id) { return desktop.window(id)->frame; }
    // A call on a thread of its own, returned once the hung slow application holds it.
    std::thread blocked(std::function<void()> call) {
        std::thread thread(std::move(call));
        desktop.waitForBlockedCalls(slow, 1);
        return thread;
    }
};

// Every write is recorded in order with its time and result.
TEST_F(SimFaults, WriteLatencyShowsOnTheClockButNotOnTheLoopAndEveryWriteIsRecorded) {
    desktop.setWriteLatency(slow, 0.04);
    desktop.clearWrites();
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXSize", Size{500, 300}), AXError::success);
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{0, 30}), AXError::success);
    EXPECT_DOUBLE_EQ(desktop.clock().now(), 0.08);
    EXPECT_DOUBLE_EQ(loop.now(), 0);

    // Reads and the other application's writes cost nothing.
    AXValue value;
    ASSERT_EQ(ax.copyAttribute(element(slowWindow), "AXSize", value), AXError::success);
    ASSERT_EQ(ax.setAttribute(element(quickWindow), "AXPosition", Point{5, 30}), AXError::success);
    EXPECT_DOUBLE_EQ(desktop.clock().now(), 0.08);
    loop.advance(1.0);  // the loop's own time still counts
    EXPECT_DOUBLE_EQ(desktop.clock().now(), 1.08);
    ax.setAttribute(ax.application(slow), "AXEnhancedUserInterface", false);
    ax.setAttribute(element(quickWindow), "AXTitle", std::string("Renamed"));
    const std::vector<AttributeWrite> expected{
        {element(slowWindow), slowWindow, "AXSize", Size{500, 300}, 0, AXError::success},
        {element(slowWindow), slowWindow, "AXPosition", Point{0, 30}, 0.04, AXError::success},
        {element(quickWindow), quickWindow, "AXPosition", Point{5, 30}, 0.08, AXError::success},
        {ax.application(slow), std::nullopt, "AXEnhancedUserInterface", false, 1.08,
         AXError::success},
        {element(quickWindow), quickWindow, "AXTitle", std::string("Renamed"), 1.12,
         AXError::attributeUnsupported},
    };
    EXPECT_EQ(desktop.writes(), expected);
    desktop.setRecordingWrites(false);
    ax.setAttribute(element(quickWindow), "AXPosition", Point{0, 30});
    EXPECT_EQ(desktop.writes().size(), 5u);
    EXPECT_EQ(frame(quickWindow).origin(), (Point{0, 30}));
}

TEST_F(SimFaults, HungApplicationTimesOutAfterTheElementsMessagingTimeout) {
    desktop.setHung(slow, HangMode::timeOutAtOnce);
    ASSERT_EQ(ax.setMessagingTimeout(element(slowWindow), 0.5), AXError::success);
    AXValue value;
    EXPECT_EQ(ax.copyAttribute(element(slowWindow), "AXPosition", value), AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(desktop.spentLatency(), 0.5);
    // The application element has no timeout of its own: the system default.
    EXPECT_EQ(ax.copyAttribute(ax.application(slow), "AXWindows", value), AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(desktop.spentLatency(), 0.5 + kDefaultMessagingTimeout);
    // Zero restores the default.
    ASSERT_EQ(ax.setMessagingTimeout(element(slowWindow), 0), AXError::success);
    EXPECT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{1, 1}),
              AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(desktop.spentLatency(), 0.5 + 2 * kDefaultMessagingTimeout);
    EXPECT_EQ(frame(slowWindow).origin(), (Point{100, 100}));
    WindowID number = 0;
    EXPECT_EQ(ax.windowNumber(element(slowWindow), number), AXError::cannotComplete);
    EXPECT_EQ(number, 0u);
    Pid owner = 0;
    EXPECT_EQ(ax.processID(element(slowWindow), owner), AXError::success) << "answered locally";

    EXPECT_EQ(ax.setAttribute(element(quickWindow), "AXPosition", Point{1, 30}), AXError::success);
    desktop.setHung(slow, HangMode::none);
    EXPECT_EQ(ax.copyAttribute(element(slowWindow), "AXPosition", value), AXError::success);
    EXPECT_EQ(ax.windowNumber(element(slowWindow), number), AXError::success);
    EXPECT_EQ(number, slowWindow);
}

TEST_F(SimFaults, HungApplicationBlocksOnlyItsOwnCallers) {
    desktop.setHung(slow, HangMode::block);
    ASSERT_EQ(ax.setMessagingTimeout(element(slowWindow), 0.5), AXError::success);
    AXError hungResult = AXError::success;
    std::thread hung = blocked([&] {
        hungResult = ax.setAttribute(element(slowWindow), "AXPosition", Point{10, 30});
    });

    // Another thread writes to the healthy application while the first is still blocked.
    AXError quickResult = AXError::failure;
    std::thread healthy([&] {
        quickResult = ax.setAttribute(element(quickWindow), "AXPosition", Point{20, 40});
    });
    healthy.join();
    EXPECT_EQ(quickResult, AXError::success);
    EXPECT_EQ(frame(quickWindow).origin(), (Point{20, 40}));
    EXPECT_EQ(desktop.blockedCalls(slow), 1);

    desktop.releaseHungCalls(slow);
    hung.join();
    EXPECT_EQ(hungResult, AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(desktop.spentLatency(), 0.5);
    EXPECT_EQ(frame(slowWindow).origin(), (Point{100, 100}));
    EXPECT_EQ(desktop.blockedCalls(slow), 0);

    // An application that recovers lets a blocked call through.
    AXError recovered = AXError::failure;
    std::thread waiting = blocked([&] {
        recovered = ax.setAttribute(element(slowWindow), "AXPosition", Point{30, 50});
    });
    desktop.setHung(slow, HangMode::none);
    waiting.join();
    EXPECT_EQ(recovered, AXError::success);
    EXPECT_EQ(frame(slowWindow).origin(), (Point{30, 50}));

    // Quitting releases a blocked call too.
    desktop.setHung(slow, HangMode::block);
    AXError quitResult = AXError::success;
    std::thread quitting = blocked([&] {
        AXValue value;
        quitResult = ax.copyAttribute(element(slowWindow), "AXSize", value);
    });
    ASSERT_TRUE(desktop.quit(slow));
    quitting.join();
    EXPECT_EQ(quitResult, AXError::invalidUIElement);
}

TEST(SimTeardown, DestroyingTheDesktopReleasesBlockedCallsFirst) {
    VirtualLoop loop;
    auto desktop = std::make_unique<SimDesktop>(loop);
    const Pid pid = desktop->launch(makeApp(std::nullopt, "Hung"));
    const AXElement window = *desktop->element(*desktop->openWindow(pid, WindowSetup{}));
    desktop->setHung(pid, HangMode::block);
    Accessibility& ax = desktop->accessibility();
    AXError result = AXError::success;
    std::thread hung([&] {
        AXValue value;
        result = ax.copyAttribute(window, "AXTitle", value);
    });
    desktop->waitForBlockedCalls(pid, 1);
    desktop.reset();
    hung.join();
    EXPECT_EQ(result, AXError::cannotComplete);
}

TEST_F(SimFaults, WindowsKeepTheirMinimumAndFixedSizesClampAndMoveThemselves) {
    desktop.setMinimumSize(slowWindow, {500, 350});
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXSize", Size{300, 200}), AXError::success);
    EXPECT_EQ(frame(slowWindow).size(), (Size{500, 350}));
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXSize", Size{800, 300}), AXError::success);
    EXPECT_EQ(frame(slowWindow).size(), (Size{800, 350}));

    WindowSetup fixed = makeWindow("Fixed", {50, 50, 400, 300});
    fixed.fixedSize = true;
    const WindowID id = *desktop.openWindow(quick, fixed);
    bool settable = true;
    ASSERT_EQ(ax.isSettable(element(id), "AXSize", settable), AXError::success);
    EXPECT_FALSE(settable);
    EXPECT_NE(ax.setAttribute(element(id), "AXSize", Size{600, 500}), AXError::success);
    EXPECT_EQ(frame(id).size(), (Size{400, 300}));
    EXPECT_EQ(ax.setAttribute(element(id), "AXPosition", Point{70, 80}), AXError::success);
    EXPECT_EQ(frame(id).origin(), (Point{70, 80}));

    // Clamping windows need the second size write.
    WindowFaults faults;
    faults.clampsToScreen = true;
    desktop.setMinimumSize(slowWindow, {0, 0});
    desktop.setWindowFaults(slowWindow, faults);
    // At the old place (x 100) a width of 1400 runs past the right edge (1440) and is cut.
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXSize", Size{1400, 800}), AXError::success);
    EXPECT_EQ(frame(slowWindow).size(), (Size{1340, 800}));
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{20, 30}), AXError::success);
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXSize", Size{1400, 800}), AXError::success);
    EXPECT_EQ(frame(slowWindow), (Rect{20, 30, 1400, 800}));
    // The top never goes above the menu bar.
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{20, 0}), AXError::success);
    EXPECT_EQ(frame(slowWindow).origin(), (Point{20, 25}));
    // Windows that move themselves announce where they settled.
    faults = {};
    faults.movesItself = Point{0, 22};
    desktop.setWindowFaults(slowWindow, faults);
    int moves = 0;
    auto observer = ax.createObserver(
        slow, [&](const AXElement&, const std::string& name) { moves += name == "AXWindowMoved"; });
    ASSERT_EQ(observer->addNotification(element(slowWindow), "AXWindowMoved"), AXError::success);
    observer->schedule();
    ASSERT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{300, 100}),
              AXError::success);
    loop.drain();
    EXPECT_EQ(frame(slowWindow).origin(), (Point{300, 122}));
    EXPECT_EQ(moves, 1);
}

TEST_F(SimFaults, RegistrationsFailForTheFirstObservers) {
    desktop.failObserverRegistrations(slow, 2, AXError::cannotComplete);
    auto callback = [](const AXElement&, const std::string&) {};
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto observer = ax.createObserver(slow, callback);
        ASSERT_TRUE(observer);
        EXPECT_EQ(observer->addNotification(ax.application(slow), "AXWindowCreated"),
                  AXError::cannotComplete);
        EXPECT_EQ(observer->addNotification(ax.application(slow), "AXFocusedWindowChanged"),
                  AXError::cannotComplete);
    }
    auto third = ax.createObserver(slow, callback);
    EXPECT_EQ(third->addNotification(ax.application(slow), "AXWindowCreated"), AXError::success);
    // Other applications are not affected.
    auto other = ax.createObserver(quick, callback);
    EXPECT_EQ(other->addNotification(ax.application(quick), "AXWindowCreated"), AXError::success);
    EXPECT_EQ(other->addNotification(ax.application(quick), "AXNoSuchNotification"),
              AXError::notificationUnsupported);

    desktop.failObserverCreation(quick, true);
    EXPECT_FALSE(ax.createObserver(quick, callback));
    EXPECT_FALSE(ax.createObserver(9999, callback)) << "no such process";
}

TEST_F(SimFaults, WithdrawnTrustDisablesTheInterfaceAndAnUnreadableListIsNone) {
    EXPECT_TRUE(ax.isProcessTrusted());
    desktop.setTrusted(false);
    EXPECT_FALSE(ax.isProcessTrusted());
    EXPECT_FALSE(ax.isProcessTrustedWithPrompt());
    EXPECT_EQ(desktop.trustPrompts(), 1);
    AXValue value;
    EXPECT_EQ(ax.copyAttribute(element(slowWindow), "AXPosition", value), AXError::apiDisabled);
    EXPECT_EQ(ax.setAttribute(element(slowWindow), "AXPosition", Point{}), AXError::apiDisabled);
    WindowID number = 0;
    EXPECT_EQ(ax.windowNumber(element(slowWindow), number), AXError::apiDisabled);
    desktop.setTrusted(true);
    EXPECT_EQ(ax.copyAttribute(element(slowWindow), "AXPosition", value), AXError::success);

    // An unreadable window list is none, not empty.
    desktop.setWindowListReadable(false);
    EXPECT_FALSE(desktop.windowServer().windowList(true));
    EXPECT_FALSE(desktop.windowServer().windowList(false));
    desktop.setWindowListReadable(true);
    ASSERT_TRUE(desktop.windowServer().windowList(true));
    // Its two windows and the display's menu bar, which a real desktop always lists.
    EXPECT_EQ(desktop.windowServer().windowList(true)->size(), 3u);
}

// A slow application's queue is busy for as long as its calls take on the loop's clock; other
// queues and the loop go on meanwhile.
TEST_F(SimFaults, ASlowCallKeepsOnlyItsOwnQueueBusy) {
    SteppedExecutor queues;
    QueueRunner runner{loop, queues, desktop};
    desktop.setWriteLatency(slow, 0.5);

    std::vector<std::string> ran;
    auto slowQueue = queues.queue("slow");
    auto quickQueue = queues.queue("quick");
    slowQueue->async([&] {
        ax.setAttribute(element(slowWindow), "AXPosition", Point{10, 30});
        ran.push_back("slow write");
    });
    slowQueue->async([&] { ran.push_back("after the slow write"); });
    quickQueue->async([&] { ran.push_back("quick"); });
    loop.post([&] { ran.push_back("main"); });

    runner.runPending();
    EXPECT_EQ(ran, (std::vector<std::string>{"main", "slow write", "quick"}));
    EXPECT_TRUE(runner.isBusy("slow"));
    EXPECT_FALSE(runner.isBusy("quick"));

    loop.advanceTo(0.49);
    runner.runPending();
    EXPECT_EQ(ran.size(), 3u);
    loop.advanceTo(0.5);
    runner.runPending();
    EXPECT_EQ(ran.back(), "after the slow write");
    EXPECT_FALSE(runner.isBusy("slow"));
    EXPECT_EQ(queues.pendingTotal(), 0u);
}

}  // namespace
}  // namespace tessarin::sim
