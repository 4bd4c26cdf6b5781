#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/real_loop.hpp"
#include "base/timer_queue.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin {
namespace {

// Records which task ran and what the clock read while it ran.
struct Trace {
    std::vector<std::pair<std::string, double>> runs;
    Task record(VirtualLoop& loop, std::string name) {
        return [this, &loop, name] { runs.emplace_back(name, loop.now()); };
    }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& run : runs)
            result.push_back(run.first);
        return result;
    }
};

using Names = std::vector<std::string>;

TEST(VirtualLoop, RunsDueWorkInTimeOrderWithTiesInSchedulingOrder) {
    VirtualLoop loop(10);
    Trace trace;
    loop.after(2, trace.record(loop, "two"));
    loop.after(1, trace.record(loop, "one-a"));
    loop.after(1, trace.record(loop, "one-b"));
    loop.after(3, trace.record(loop, "three"));
    loop.post(trace.record(loop, "posted"));
    EXPECT_TRUE(trace.runs.empty());  // nothing runs until the clock is advanced
    EXPECT_EQ(loop.postedCount(), 1u);

    loop.advance(2.5);

    std::vector<std::pair<std::string, double>> expected = {
        {"posted", 10}, {"one-a", 11}, {"one-b", 11}, {"two", 12}};
    EXPECT_EQ(trace.runs, expected);
    EXPECT_DOUBLE_EQ(loop.now(), 12.5);
    EXPECT_EQ(loop.timerCount(), 1u);
    ASSERT_TRUE(loop.nextDue().has_value());
    EXPECT_DOUBLE_EQ(*loop.nextDue(), 13);

    loop.advanceTo(13);
    EXPECT_EQ(trace.names().back(), "three");
    EXPECT_FALSE(loop.nextDue().has_value());
}

// Posted work belongs to the current instant: it goes before a timer due at the same time.
TEST(VirtualLoop, WorkScheduledByDueWorkCountsFromItsDueTime) {
    VirtualLoop loop;
    Trace trace;
    loop.after(1, [&] {
        trace.runs.emplace_back("first", loop.now());
        loop.after(0.5, trace.record(loop, "chained"));
        loop.post(trace.record(loop, "posted"));
        loop.after(0, trace.record(loop, "immediate"));
    });
    loop.after(1, trace.record(loop, "tie"));
    loop.after(1.2, trace.record(loop, "other"));

    // One long step still runs the chain at the times it asked for.
    loop.advance(10);

    std::vector<std::pair<std::string, double>> expected = {{"first", 1},   {"posted", 1},
                                                            {"tie", 1},     {"immediate", 1},
                                                            {"other", 1.2}, {"chained", 1.5}};
    EXPECT_EQ(trace.runs, expected);
    EXPECT_DOUBLE_EQ(loop.now(), 10);
}

TEST(VirtualLoop, RepeatingTimersReArmWithoutDriftUntilCancelledFromInside) {
    VirtualLoop loop;
    std::vector<double> beats;
    MainLoop::TimerID id = 0;
    id = loop.every(0.25, [&] {
        beats.push_back(loop.now());
        if (beats.size() == 7) loop.cancel(id);
    });
    loop.after(0.5, [&] { beats.push_back(-1); });
    loop.advance(1.0);
    // The beat at 0.5 was re-armed at 0.25, after the one-shot was scheduled, so it goes second.
    EXPECT_EQ(beats, (std::vector<double>{0.25, -1, 0.5, 0.75, 1.0}));

    loop.advance(5);
    EXPECT_EQ(beats.size(), 7u);
    EXPECT_DOUBLE_EQ(beats.back(), 1.5);
    EXPECT_EQ(loop.timerCount(), 0u);

    // A zero interval still lets time pass.
    VirtualLoop fresh;
    int count = 0;
    fresh.every(0, [&] { ++count; });
    fresh.advance(0.0105);
    EXPECT_EQ(count, 10);
}

TEST(VirtualLoop, CancelStopsPendingWorkAndIgnoresUnknownIds) {
    VirtualLoop loop;
    Trace trace;
    MainLoop::TimerID victim = loop.after(2, trace.record(loop, "victim"));
    MainLoop::TimerID sibling = 0;
    loop.after(1, [&] {
        trace.runs.emplace_back("killer", loop.now());
        loop.cancel(victim);
        loop.cancel(sibling);
    });
    sibling = loop.after(1, trace.record(loop, "sibling"));
    MainLoop::TimerID done = loop.after(0.5, trace.record(loop, "done"));

    loop.advance(0.5);
    loop.cancel(done);  // already finished
    loop.cancel(9999);  // never issued
    loop.advance(5);

    EXPECT_EQ(trace.names(), (Names{"done", "killer"}));
    EXPECT_EQ(loop.timerCount(), 0u);
}

TEST(VirtualLoop, RunPendingRunsOnlyWhatWasAlreadyPostedAndTheClockNeverGoesBack) {
    VirtualLoop loop(3);
    Trace trace;
    loop.post([&] {
        trace.runs.emplace_back("first", loop.now());
        loop.post(trace.record(loop, "second"));
        loop.after(0, trace.record(loop, "timer"));
    });

    loop.after(0.001, trace.record(loop, "future"));  // left alone by a drain
    EXPECT_EQ(loop.runPending(), 1u);
    EXPECT_EQ(trace.names(), Names{"first"});

    EXPECT_EQ(loop.drain(), 2u);
    EXPECT_EQ(trace.names(), (Names{"first", "second", "timer"}));
    for (const auto& run : trace.runs)
        EXPECT_DOUBLE_EQ(run.second, 3);
    EXPECT_DOUBLE_EQ(loop.now(), 3);

    // The clock never goes backwards.
    loop.advance(2);
    loop.advanceTo(4);
    EXPECT_DOUBLE_EQ(loop.now(), 5);
    loop.advance(-1);
    EXPECT_DOUBLE_EQ(loop.now(), 5);

    // A task that advances the clock itself leaves the outer advance monotonic.
    std::vector<double> seen;
    loop.after(1, [&] {
        loop.advance(2);
        seen.push_back(loop.now());
    });
    loop.after(1.5, [&] { seen.push_back(loop.now()); });
    loop.advance(10);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_LE(seen[0], seen[1]);
    EXPECT_DOUBLE_EQ(loop.now(), 15);
}

TEST(VirtualLoop, PostIsSafeFromOtherThreads) {
    VirtualLoop loop;
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i)
                loop.post([&, t, i] { seen[t].push_back(i); });
        });
    }
    for (auto& thread : threads)
        thread.join();
    loop.drain();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<std::size_t>(kPosts));
        for (int i = 0; i < kPosts; ++i)
            EXPECT_EQ(seen[t][i], i);
    }
}

// The timer queue's ordering, re-arming and cancelling are covered through the loop above;
// here only what that loop never does.
TEST(TimerQueue, EmptyTasksGetAnIdButNoTimerAndALateLoopSkipsMissedBeats) {
    TimerQueue timers;
    EXPECT_NE(timers.add(1, nullptr), timers.addRepeating(0, 1, nullptr));
    EXPECT_EQ(timers.size(), 0u);
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

// Runs the loop on the test thread; a loop that never quits fails the test instead of hanging
// it. The limit is a deadlock guard, far above what any of these runs need.
bool runGuarded(RealLoop& loop) {
    std::promise<void> returned;
    std::thread guard([&, done = returned.get_future()] {
        if (done.wait_for(std::chrono::seconds(30)) != std::future_status::ready) loop.quit();
    });
    auto start = std::chrono::steady_clock::now();
    loop.run();
    returned.set_value();
    guard.join();
    return std::chrono::steady_clock::now() - start < std::chrono::seconds(30);
}

// A quit before the run returns at once and is consumed; the next run takes posted work
// first, then timers by due time, never early, and never a cancelled one.
TEST(RealLoop, RunsPostedWorkFirstThenTimersByDueTimeNeverEarly) {
    RealLoop loop;
    std::vector<int> order;
    loop.quit();
    loop.post([&] { order.push_back(0); });
    ASSERT_TRUE(runGuarded(loop));
    EXPECT_TRUE(order.empty());

    double scheduled = loop.now() + 0.003;
    double ranAt = 0;
    loop.after(0.003, [&] {
        order.push_back(3);
        ranAt = loop.now();
        loop.quit();
    });
    loop.after(0.001, [&] { order.push_back(1); });
    loop.cancel(loop.after(0.002, [&] { order.push_back(2); }));
    ASSERT_TRUE(runGuarded(loop));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 3}));
    EXPECT_GE(ranAt, scheduled);
}

TEST(RealLoop, WorkPostedFromOtherThreadsRunsInOrderOnTheLoopThread) {
    RealLoop loop;
    std::vector<int> seen;
    bool allOnLoopThread = true;
    auto loopThread = std::this_thread::get_id();
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i) {
            loop.post([&, i] {
                seen.push_back(i);
                allOnLoopThread &= std::this_thread::get_id() == loopThread;
            });
        }
        loop.post([&] { loop.quit(); });
    });
    ASSERT_TRUE(runGuarded(loop));
    poster.join();
    ASSERT_EQ(seen.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(seen[i], i);
    EXPECT_TRUE(allOnLoopThread);
}

// A readable descriptor wakes the idle loop; unwatching stops the calls, even for data that is
// already waiting; a virtual loop refuses to watch.
TEST(RealLoop, WatchedDescriptorsCallBackUntilUnwatched) {
    RealLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string got;
    MainLoop::WatchID id = 0;
    id = loop.watchReadable(fds[0], [&] {
        char c;
        ASSERT_EQ(read(fds[0], &c, 1), 1);
        got += c;
        if (got == "ab") {
            loop.unwatch(id);
            ASSERT_EQ(write(fds[1], "c", 1), 1);
            loop.post([&] { loop.quit(); });
        }
    });
    ASSERT_NE(id, 0u);
    std::thread writer([&] { ASSERT_EQ(write(fds[1], "ab", 2), 2); });
    ASSERT_TRUE(runGuarded(loop));
    writer.join();
    EXPECT_EQ(got, "ab");
    close(fds[0]);
    close(fds[1]);
    VirtualLoop virtualLoop;
    EXPECT_EQ(virtualLoop.watchReadable(0, [] {}), 0u);
}

}  // namespace
}  // namespace tessarin
