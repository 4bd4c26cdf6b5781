#include "base/stepped_executor.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessarin {
namespace {

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
