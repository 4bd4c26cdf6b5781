#include "base/timer_queue.hpp"

#include <gtest/gtest.h>

namespace tessarin {
namespace {

// Ordering, re-arming and cancelling are covered through the virtual loop, which uses this
// queue; here only what that loop never does.
TEST(TimerQueue, EmptyTasksGetAnIdButNoTimer) {
    TimerQueue timers;
    auto first = timers.add(1, nullptr);
    auto second = timers.addRepeating(0, 1, nullptr);
    EXPECT_NE(first, second);
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
