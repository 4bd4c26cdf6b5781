#include "base/real_loop.hpp"
#include "base/virtual_loop.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace tessarin {
namespace {

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
// first, then timers by due time, never early.
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
