#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "base/thread_queues.hpp"
#include "system/window_mover.hpp"
#include "system_fixture.hpp"

namespace tessarin {
namespace {

using namespace std::chrono_literals;

// The mover on real threads: each application's queue is a thread of its own.
class WindowMoverThreadsTest : public test::SimFixture {
  protected:
    // Waits until everything queued for the application so far has run.
    bool finished(Pid pid) {
        auto done = std::make_shared<std::promise<void>>();
        auto future = done->get_future();
        mover->read(pid, [done] { done->set_value(); });
        // A bound only so a broken mover fails instead of hanging the suite.
        return future.wait_for(30s) == std::future_status::ready;
    }

    ThreadQueueFactory threads;
    std::shared_ptr<WindowMover> mover =
        WindowMover::create(sim.accessibility(), threads, loop, sim.clock());
};

TEST_F(WindowMoverThreadsTest, AHungApplicationDelaysOnlyItsOwnWindows) {
    auto [hung, lively, stuck, moving] = hungAndLively(sim::HangMode::block);

    mover->move(stuck, {0, 30, 500, 400});
    mover->move(moving, {700, 30, 500, 400});
    sim.waitForBlockedCalls(hung, 1);

    ASSERT_TRUE(finished(lively));
    EXPECT_EQ(frameOf(moving->id), (Rect{700, 30, 500, 400}));
    mover->move(moving, {720, 30, 500, 400});
    ASSERT_TRUE(finished(lively));
    EXPECT_EQ(frameOf(moving->id), (Rect{720, 30, 500, 400}));

    // The hung application's queue is still inside its first call.
    EXPECT_EQ(sim.blockedCalls(hung), 1);
    EXPECT_EQ(frameOf(stuck->id), (Rect{100, 100, 400, 300}));

    // A frame asked for meanwhile waits its turn; the recovered application ends on it.
    mover->move(stuck, {10, 30, 450, 350});
    sim.setHung(hung, sim::HangMode::none);
    ASSERT_TRUE(finished(hung));
    EXPECT_EQ(frameOf(stuck->id), (Rect{10, 30, 450, 350}));
}

}  // namespace
}  // namespace tessarin
