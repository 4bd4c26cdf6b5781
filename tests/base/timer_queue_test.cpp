#include "base/timer_queue.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tessarin {
namespace {

TEST(TimerQueue, TakesTheEarliestDueTimerOnlyWhenItIsDue) {
    TimerQueue timers;
    std::vector<int> ran;
    timers.add(2, [&] { ran.push_back(2); });
    timers.add(1, [&] { ran.push_back(1); });
    EXPECT_FALSE(timers.take(0.5).has_value());
    auto due = timers.take(5);
    ASSERT_TRUE(due.has_value());
    EXPECT_DOUBLE_EQ(due->due, 1);
    due->task();
    EXPECT_EQ(ran, std::vector<int>{1});
    EXPECT_EQ(timers.size(), 1u);
}

TEST(TimerQueue, EmptyTasksGetAnIdButNoTimer) {
    TimerQueue timers;
    auto first = timers.add(1, nullptr);
    auto second = timers.addRepeating(0, 1, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(timers.size(), 0u);
}

TEST(TimerQueue, RepeatingTimersAreReArmedBeforeTheyRun) {
    TimerQueue timers;
    auto id = timers.addRepeating(10, 0.5, [] {});
    auto due = timers.take(10.5);
    ASSERT_TRUE(due.has_value());
    EXPECT_DOUBLE_EQ(due->due, 10.5);
    EXPECT_EQ(timers.nextDue(), std::optional<double>(11));
    // Cancelling from the task itself removes the re-armed beat.
    timers.cancel(id);
    EXPECT_EQ(timers.size(), 0u);
}

TEST(TimerQueue, ALateLoopSkipsMissedBeats) {
    TimerQueue timers;
    timers.addRepeating(0, 1, [] {});
    // Taken at 3.2: the beat due at 1 runs once, and the next comes an interval after now.
    auto due = timers.take(3.2, 3.2);
    ASSERT_TRUE(due.has_value());
    EXPECT_DOUBLE_EQ(due->due, 1);
    EXPECT_EQ(timers.nextDue(), std::optional<double>(4.2));
    // Without skipping, the beats keep their rhythm.
    TimerQueue steady;
    steady.addRepeating(0, 1, [] {});
    steady.take(3.2);
    EXPECT_EQ(steady.nextDue(), std::optional<double>(2));
}

}  // namespace
}  // namespace tessarin
