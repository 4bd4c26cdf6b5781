// The main loop on Qt's event loop: posts in order from any thread, timers that can be
// cancelled before they are set up, and descriptors watched until unwatched.
#include "app/qt_loop.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <thread>

namespace tessarin {
namespace {

TEST(QtLoop, PostsTimersAndWatchesFromAnyThread) {
    int argc = 1;
    char name[] = "test_app";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    QtLoop loop;
    std::vector<int> posted;
    std::vector<std::string> seen;
    int ticks = 0;
    std::atomic<MainLoop::TimerID> repeating = 0;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);

    std::thread other([&] {
        for (int i = 0; i < 100; ++i)
            loop.post([&posted, i] { posted.push_back(i); });
        // Cancelled before the loop has set it up.
        loop.cancel(loop.after(0, [&] { seen.push_back("cancelled from a thread"); }));
        repeating = loop.every(0.001, [&] {
            if (++ticks == 3) loop.cancel(repeating);
        });
        loop.post([&] {
            loop.cancel(loop.after(0.001, [&] { seen.push_back("cancelled on the loop"); }));
        });
        ASSERT_EQ(write(fds[1], "x", 1), 1);
    });
    MainLoop::WatchID watch = 0;
    watch = loop.watchReadable(fds[0], [&] {
        char byte = 0;
        EXPECT_EQ(read(fds[0], &byte, 1), 1);
        seen.push_back("readable");
        loop.unwatch(watch);
        // A second byte is not seen: the watch is gone.
        EXPECT_EQ(write(fds[1], "y", 1), 1);
        loop.after(0.02, [&] { loop.quit(7); });
    });
    MainLoop::WatchID room = 0;
    room = loop.watchWritable(fds[1], [&] {
        seen.push_back("writable");
        loop.unwatch(room);
    });
    EXPECT_EQ(loop.run(), 7);
    other.join();

    std::vector<int> expected(100);
    for (int i = 0; i < 100; ++i)
        expected[i] = i;
    EXPECT_EQ(posted, expected);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"readable", "writable"}));
    EXPECT_EQ(ticks, 3);
    EXPECT_GT(loop.now(), 0.0);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace tessarin
