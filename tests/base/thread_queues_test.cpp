#include "base/thread_queues.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <vector>

namespace tessarin {
namespace {

// Generous limits that only keep a broken queue from hanging the test run.
constexpr auto kGuard = std::chrono::seconds(30);

bool ready(const std::future<void>& future) {
    return future.wait_for(kGuard) == std::future_status::ready;
}

TEST(ThreadQueueFactory, OneQueuePerLabel) {
    ThreadQueueFactory factory;
    auto first = factory.queue("com.tessarin.ax.1");
    EXPECT_EQ(first, factory.queue("com.tessarin.ax.1"));
    EXPECT_NE(first, factory.queue("com.tessarin.ax.2"));
    EXPECT_EQ(&factory.background(), &factory.background());
}

TEST(ThreadQueueFactory, BlocksOfOneLabelRunInOrderOneAtATime) {
    ThreadQueueFactory factory;
    auto queue = factory.queue("ordered");
    std::vector<int> seen;
    std::atomic<int> running{0};
    bool overlapped = false;
    for (int i = 0; i < 1000; ++i) {
        queue->async([&, i] {
            overlapped |= running.fetch_add(1) != 0;
            seen.push_back(i);
            running.fetch_sub(1);
        });
    }
    std::promise<void> done;
    queue->async([&] { done.set_value(); });
    ASSERT_TRUE(ready(done.get_future()));
    ASSERT_EQ(seen.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(seen[i], i);
    EXPECT_FALSE(overlapped);
}

TEST(ThreadQueueFactory, DifferentLabelsRunInParallel) {
    ThreadQueueFactory factory;
    // The block on "a" can only finish if "b" runs while it is still waiting.
    std::promise<void> fromB;
    std::promise<bool> aSawB;
    factory.queue("a")->async([&, signal = fromB.get_future().share()] {
        aSawB.set_value(signal.wait_for(kGuard) == std::future_status::ready);
    });
    factory.queue("b")->async([&] { fromB.set_value(); });
    auto result = aSawB.get_future();
    ASSERT_EQ(result.wait_for(kGuard * 2), std::future_status::ready);
    EXPECT_TRUE(result.get());
}

TEST(ThreadQueueFactory, BackgroundRunsBesideLabelledQueues) {
    ThreadQueueFactory factory;
    std::promise<void> fromQueue;
    std::promise<bool> backgroundSaw;
    factory.background().async([&, signal = fromQueue.get_future().share()] {
        backgroundSaw.set_value(signal.wait_for(kGuard) == std::future_status::ready);
    });
    factory.queue("x")->async([&] { fromQueue.set_value(); });
    auto result = backgroundSaw.get_future();
    ASSERT_EQ(result.wait_for(kGuard * 2), std::future_status::ready);
    EXPECT_TRUE(result.get());
}

TEST(ThreadQueueFactory, DestructionRunsWhatWasHandedOverThenJoins) {
    std::atomic<int> ran{0};
    std::promise<void> gate;
    {
        ThreadQueueFactory factory;
        auto queue = factory.queue("busy");
        // Hold the worker so that the rest is still queued when the factory goes.
        queue->async([&, open = gate.get_future().share()] {
            open.wait_for(kGuard);
            ++ran;
        });
        for (int i = 0; i < 50; ++i)
            queue->async([&] { ++ran; });
        queue.reset();
        gate.set_value();
    }
    EXPECT_EQ(ran.load(), 51);
}

TEST(ThreadSerialQueue, LastHolderLettingGoFromItsOwnBlockDoesNotDeadlock) {
    auto queue = std::make_shared<ThreadSerialQueue>("self-owned");
    std::promise<void> gate;
    std::promise<void> after;
    queue->async([queue, open = gate.get_future().share()] { open.wait_for(kGuard); });
    queue->async([&] { after.set_value(); });
    queue.reset();
    // The first block now holds the only reference; it is dropped on the worker itself.
    gate.set_value();
    EXPECT_TRUE(ready(after.get_future()));
}

}  // namespace
}  // namespace tessarin
