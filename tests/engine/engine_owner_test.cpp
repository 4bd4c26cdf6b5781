#include "engine/engine_owner.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "backends/sim/sim_desktop.hpp"
#include "base/memory_store.hpp"
#include "base/thread_queues.hpp"
#include "base/virtual_loop.hpp"
#include "system/scripted_accessibility.hpp"  // tests/system

namespace tessarin::test {
namespace {

// Holds frame writes made on worker threads until opened. A write after the close would show in
// the desktop's record of writes, and so would anything still queued then: a queued batch
// reads, then writes.
class WriteGate {
  public:
    void onWrite() {
        if (std::this_thread::get_id() == main_) return;
        std::unique_lock lock(mutex_);
        held_ = true;
        wake_.notify_all();
        wake_.wait(lock, [&] { return open_; });
    }
    void set(bool open) {
        std::lock_guard lock(mutex_);
        open_ = open;
        held_ = false;
        wake_.notify_all();
    }
    bool waitUntilHeld() {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, std::chrono::seconds(30), [&] { return held_; });
    }

  private:
    const std::thread::id main_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable wake_;
    bool open_ = true;
    bool held_ = false;
};

// A frame write is under way on a worker thread when the program stops: it finishes before
// the backend closes, and nothing reaches the backend afterwards.
TEST(EngineOwner, AWriteInFlightFinishesBeforeTheBackendCloses) {
    VirtualLoop loop;
    ThreadQueueFactory queues;
    sim::SimDesktop desktop(loop);
    ScriptedAccessibility gated(desktop.accessibility());
    WriteGate gate;
    gated.onWrite([&](const AXElement&, std::string_view) { gate.onWrite(); });
    desktop.plugDisplay(sim::makeDisplay("PRIMARY", {0, 0, 1440, 900}, "Built-in"));
    const Pid pid = desktop.launch(sim::makeApp("com.example.app", "App"));
    for (const char* title : {"One", "Two", "Three"})
        desktop.openWindow(pid, sim::makeWindow(title, {100, 100, 600, 400}));
    MemoryStore store;
    Preferences prefs(store);
    Platform platform = desktop.platform(queues);
    Platform gatedPlatform{gated,
                           platform.windowServer,
                           platform.screens,
                           platform.pointer,
                           platform.workspace,
                           platform.mainLoop,
                           platform.queues,
                           platform.clock,
                           platform.inputEvents,
                           platform.hotKeys,
                           platform.setupCheck};

    int written = 0;
    {
        EngineOwner owner(
            [&] {
                gate.set(true);  // the write in flight completes, as a real one would
                queues.drain();
            },
            [&] { written = static_cast<int>(desktop.writes().size()); });
        owner.adopt(WindowManager::create(gatedPlatform, prefs));
        owner.engine()->start();
        loop.advance(1.0);
        queues.drain();
        ASSERT_FALSE(desktop.writes().empty()) << "the windows were tiled";

        gate.set(false);
        owner.engine()->perform(Action::wider);
        loop.advance(0.5);
        ASSERT_TRUE(gate.waitUntilHeld()) << "no write reached a worker thread";
    }
    gate.set(true);
    queues.drain();
    EXPECT_EQ(static_cast<int>(desktop.writes().size()), written) << "a write after the close";
}

}  // namespace
}  // namespace tessarin::test
