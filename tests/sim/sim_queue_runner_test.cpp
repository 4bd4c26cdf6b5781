#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "backends/sim/sim_queue_runner.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin::sim {
namespace {

// A slow application's queue is busy for as long as its calls take on the loop's clock; other
// queues and the loop go on meanwhile.
TEST(QueueRunner, ASlowCallKeepsOnlyItsOwnQueueBusy) {
    VirtualLoop loop;
    SimDesktop desktop{loop};
    SteppedExecutor queues;
    QueueRunner runner{loop, queues, desktop};
    desktop.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}));
    const Pid slow = desktop.launch(makeApp("com.example.slow", "Slow"));
    const WindowID window = *desktop.openWindow(slow, makeWindow("S", {100, 100, 600, 400}));
    desktop.setWriteLatency(slow, 0.5);
    Accessibility& ax = desktop.accessibility();
    const AXElement element = *desktop.element(window);

    std::vector<std::string> ran;
    auto slowQueue = queues.queue("slow");
    auto quickQueue = queues.queue("quick");
    slowQueue->async([&] {
        ax.setAttribute(element, "AXPosition", Point{10, 30});
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
