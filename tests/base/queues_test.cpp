// The serial queues work runs on: one thread per label, and the stepped stand-in that runs
// nothing until told.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "base/stepped_executor.hpp"
#include "base/thread_queues.hpp"

namespace tessarin {
namespace {

// Generous limits that only keep a broken queue from hanging the test run.
constexpr auto kGuard = std::chrono::seconds(30);

bool ready(const std::future<void>& future) {
    return future.wait_for(kGuard) == std::future_status::ready;
}

TEST(ThreadQueueFactory, BlocksOfOneLabelRunInOrderOneAtATime) {
    ThreadQueueFactory factory;
    auto queue = factory.queue("ordered");
    EXPECT_EQ(queue, factory.queue("ordered"));
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

// True when a block on `other` runs while a block on `waiting` is still running: the block on
// `waiting` can only finish well if that happens.
bool runBeside(SerialQueue& waiting, SerialQueue& other) {
    // Shared, so that blocks left behind by a failing run do not outlive what they touch.
    auto fromOther = std::make_shared<std::promise<void>>();
    auto sawOther = std::make_shared<std::promise<bool>>();
    waiting.async([sawOther, signal = fromOther->get_future().share()] {
        sawOther->set_value(signal.wait_for(kGuard) == std::future_status::ready);
    });
    other.async([fromOther] { fromOther->set_value(); });
    auto result = sawOther->get_future();
    return result.wait_for(kGuard * 2) == std::future_status::ready && result.get();
}

TEST(ThreadQueueFactory, DifferentLabelsRunInParallelAndDrainWaitsForAll) {
    ThreadQueueFactory factory;
    EXPECT_TRUE(runBeside(*factory.queue("a"), *factory.queue("b")));
    EXPECT_TRUE(runBeside(*factory.queue("b"), *factory.queue("a")));
    EXPECT_TRUE(runBeside(factory.background(), *factory.queue("x")));
    std::atomic<int> ran{0};
    for (const char* label : {"one", "two"}) {
        factory.queue(label)->async([&] {
            std::this_thread::yield();
            ++ran;
        });
    }
    factory.background().async([&] { ++ran; });
    factory.drain();
    EXPECT_EQ(ran.load(), 3);
}

// Releasing waits for nothing, even while the queue is held inside a block (a hung
// application); what was handed over still runs, and the label then names a fresh queue.
// Destroying the factory runs what was handed over, then joins.
TEST(ThreadQueueFactory, ReleaseNeverWaitsAndDestructionRunsWhatWasHandedOverThenJoins) {
    std::atomic<int> ran{0};
    std::promise<void> gate;
    {
        ThreadQueueFactory factory;
        auto queue = factory.queue("busy");
        auto ending = factory.queue("ending");
        // Hold the workers so that the rest is still queued when the factory goes.
        const auto open = gate.get_future().share();
        for (const auto& held : {queue, ending}) {
            held->async([&ran, open] {
                open.wait_for(kGuard);
                ++ran;
            });
        }
        for (int i = 0; i < 50; ++i)
            queue->async([&] { ++ran; });
        ending->async([&] { ++ran; });
        factory.release("ending");
        EXPECT_NE(factory.queue("ending"), ending);
        queue.reset();
        ending.reset();
        gate.set_value();
        factory.joinReleased();
    }
    EXPECT_EQ(ran.load(), 53);
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

using Names = std::vector<std::string>;

struct SteppedExecutorTest : ::testing::Test {
    SteppedExecutor executor;
    Names ran;
    Task record(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
};

TEST_F(SteppedExecutorTest, AReleasedQueueRunsWhatItHoldsThenGoes) {
    auto ending = executor.queue("ending");
    ending->async(record("last write"));
    executor.queue("idle");
    executor.release("ending");
    executor.release("idle");
    EXPECT_EQ(executor.labels(), Names{"ending"});
    EXPECT_EQ(executor.drainAll(), 1u);
    EXPECT_EQ(ran, Names{"last write"});
    EXPECT_TRUE(executor.labels().empty());
    ending->async(record("too late"));  // dropped, like a block for a thread that has left
    EXPECT_EQ(executor.pendingTotal(), 0u);
}

TEST_F(SteppedExecutorTest, NewRequestsInterleaveWithADrainInOrderAndOtherLabelsWait) {
    auto queue = executor.queue("mover");
    EXPECT_EQ(queue, executor.queue("mover"));
    executor.queue("other")->async(record("other"));
    queue->async(record("write 1"));
    queue->async([&] {
        ran.push_back("write 2");
        queue->async(record("write 4"));
    });
    EXPECT_TRUE(ran.empty());  // nothing runs until stepped
    executor.step("mover");
    EXPECT_EQ(ran, Names{"write 1"});
    // A request arriving mid-drain goes behind what is already queued.
    queue->async(record("write 3"));
    EXPECT_EQ(executor.pending("mover"), 2u);
    EXPECT_EQ(executor.drain("mover"), 3u);
    EXPECT_EQ(ran, (Names{"write 1", "write 2", "write 3", "write 4"}));
    EXPECT_FALSE(executor.step("mover"));
    EXPECT_EQ(executor.pending("other"), 1u);
    EXPECT_FALSE(executor.step("nobody"));
    EXPECT_EQ(executor.drain("nobody"), 0u);
}

TEST_F(SteppedExecutorTest, DrainAllTakesOneBlockPerQueueInTurn) {
    executor.queue("a")->async(record("a1"));
    executor.queue("a")->async(record("a2"));
    executor.queue("b")->async([&] {
        ran.push_back("b1");
        executor.queue("c")->async(record("c1"));
    });
    EXPECT_NE(executor.queue("a"), executor.queue("b"));
    executor.background().async(record("bg"));
    EXPECT_EQ(executor.pending(SteppedExecutor::kBackgroundLabel), 1u);
    EXPECT_EQ(executor.pendingTotal(), 4u);
    EXPECT_EQ(executor.labelsWithWork(), (Names{"a", "b", SteppedExecutor::kBackgroundLabel}));
    EXPECT_EQ(executor.drainAll(), 5u);
    EXPECT_EQ(ran, (Names{"a1", "b1", "bg", "a2", "c1"}));
    EXPECT_EQ(executor.pendingTotal(), 0u);
    EXPECT_TRUE(executor.labelsWithWork().empty());
    EXPECT_EQ(executor.labels(), (Names{"a", "b", SteppedExecutor::kBackgroundLabel, "c"}));
}

TEST_F(SteppedExecutorTest, ABlockCannotStepItsOwnQueueButCanStepAnother) {
    auto a = executor.queue("a");
    executor.queue("b")->async(record("b1"));
    bool ownStepped = true;
    bool otherStepped = false;
    a->async([&] {
        ownStepped = executor.step("a");
        otherStepped = executor.step("b");
    });
    a->async(record("a2"));
    EXPECT_TRUE(executor.step("a"));
    // Running "a2" inside the first block would have broken the queue's one-at-a-time order.
    EXPECT_FALSE(ownStepped);
    EXPECT_TRUE(otherStepped);
    EXPECT_EQ(ran, Names{"b1"});
    EXPECT_EQ(executor.pending("a"), 1u);
}

}  // namespace
}  // namespace tessarin
