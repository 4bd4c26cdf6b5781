#include "scenario/sim_session.hpp"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

TEST(SimSession, AdvanceRunsTimersAtTheirOwnTimeAndNeverOvershoots) {
    SimSession session;
    std::vector<double> fired;
    session.loop().after(0.25, [&] { fired.push_back(session.now()); });
    session.loop().every(0.1, [&] { fired.push_back(session.now()); });
    session.advance(0.35);
    EXPECT_DOUBLE_EQ(session.now(), 0.35);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_NEAR(fired[0], 0.1, 1e-9);
    EXPECT_NEAR(fired[2], 0.25, 1e-9);
    EXPECT_NEAR(fired[3], 0.3, 1e-9) << "the repeating timer keeps its own beat";
}

// An idle hour passes in a few moves of the clock, yet a timer due meanwhile still runs at its
// own time, and the step after it lands on the same beat as stepping all the way would.
TEST(SimSession, IdleTimePassesAtTheSpeedOfTheNextTimer) {
    SimSession session;
    std::vector<double> fired;
    session.loop().after(1800.004, [&] { fired.push_back(session.now()); });
    EXPECT_LE(session.advance(3600), 4u);
    EXPECT_DOUBLE_EQ(session.now(), 3600);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_DOUBLE_EQ(fired[0], 1800.004);
}

TEST(SimSession, QueuedWorkRunsWithoutTheClockMoving) {
    SimSession session;
    int ranOnQueue = 0;
    int ranOnLoop = 0;
    // A queue block that posts back to the loop, which queues again: both rounds run.
    session.queues().queue("com.tessarin.ax.1")->async([&] {
        ++ranOnQueue;
        session.loop().post([&] {
            ++ranOnLoop;
            session.queues().queue("com.tessarin.ax.1")->async([&] { ++ranOnQueue; });
        });
    });
    session.runPending();
    EXPECT_EQ(ranOnQueue, 2);
    EXPECT_EQ(ranOnLoop, 1);
    EXPECT_DOUBLE_EQ(session.now(), 0);
}

}  // namespace
}  // namespace tessarin::test
