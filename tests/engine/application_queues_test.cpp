#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "backends/sim/sim_desktop.hpp"
#include "base/memory_store.hpp"
#include "base/thread_queues.hpp"
#include "base/virtual_loop.hpp"
#include "engine/window_manager.hpp"

namespace tessarin {
namespace {

std::ptrdiff_t threadCount() {
    auto tasks = std::filesystem::directory_iterator("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
}

// Every application gets a write queue with a thread of its own; one that ends must take its
// thread with it, or a long session gathers a thread per application ever launched.
TEST(ApplicationQueues, LaunchingAndQuittingAThousandApplicationsLeavesNoThreadBehind) {
    VirtualLoop loop;
    ThreadQueueFactory threads;
    sim::SimDesktop desktop{loop};
    desktop.plugDisplay(sim::makeDisplay("PRIMARY", {0, 0, 1440, 900}, "Built-in"));
    MemoryStore store;
    Preferences prefs(store);
    auto engine = WindowManager::create(desktop.platform(threads), prefs);
    engine->start();
    loop.advance(1);
    const std::ptrdiff_t before = threadCount();

    std::size_t written = 0;
    for (int i = 0; i < 1000; ++i) {
        Pid pid = desktop.launch(sim::makeApp("com.example.app" + std::to_string(i), "App"));
        WindowID id = desktop.openWindow(pid, sim::makeWindow("W", {100, 100, 800, 600})).value();
        loop.advance(0.5);  // observed, admitted and laid out: its queue exists
        written += engine->view().lastApplied(id).has_value() ? 1 : 0;
        desktop.quit(pid);
        loop.advance(0.1);
    }
    threads.joinReleased();
    EXPECT_EQ(written, 1000u) << "each application had frames written on its queue";
    EXPECT_EQ(threadCount(), before);
    engine->stop(false);
}

}  // namespace
}  // namespace tessarin
