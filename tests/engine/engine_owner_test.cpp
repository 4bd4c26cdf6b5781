#include "engine/engine_owner.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "backends/sim/sim_desktop.hpp"
#include "base/memory_store.hpp"
#include "base/thread_queues.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin::test {
namespace {

// The sim's accessibility, with a gate that holds frame writes made on worker threads, and a
// record of every call that arrives after the backend was closed.
class GatedAccessibility : public Accessibility {
  public:
    explicit GatedAccessibility(Accessibility& inner) : inner_(inner) {}

    std::atomic<bool> closed{false};
    std::atomic<int> callsAfterClose{0};

    void shut() {
        std::lock_guard lock(mutex_);
        open_ = false;
        held_ = false;
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        wake_.notify_all();
    }
    bool waitUntilHeld() {
        std::unique_lock lock(mutex_);
        return wake_.wait_for(lock, std::chrono::seconds(30), [&] { return held_; });
    }

    AXElement application(Pid pid) override { return inner_.application(pid); }
    AXElement systemWide() override { return inner_.systemWide(); }
    AXError copyAttribute(const AXElement& e, std::string_view a, AXValue& v) override {
        return checked(), inner_.copyAttribute(e, a, v);
    }
    AXError copyAttributes(const AXElement& e, const std::vector<std::string>& a,
                           std::vector<std::optional<AXValue>>& v) override {
        return checked(), inner_.copyAttributes(e, a, v);
    }
    AXError setAttribute(const AXElement& e, std::string_view a, const AXValue& v) override {
        if (std::this_thread::get_id() != main_) {
            std::unique_lock lock(mutex_);
            held_ = true;
            wake_.notify_all();
            wake_.wait(lock, [&] { return open_; });
        }
        checked();
        return inner_.setAttribute(e, a, v);
    }
    AXError isSettable(const AXElement& e, std::string_view a, bool& s) override {
        return checked(), inner_.isSettable(e, a, s);
    }
    AXError performAction(const AXElement& e, std::string_view a) override {
        return checked(), inner_.performAction(e, a);
    }
    AXError windowNumber(const AXElement& e, WindowID& n) override {
        return checked(), inner_.windowNumber(e, n);
    }
    AXError processID(const AXElement& e, Pid& p) override { return inner_.processID(e, p); }
    AXError setMessagingTimeout(const AXElement& e, double s) override {
        return inner_.setMessagingTimeout(e, s);
    }
    AXError elementAtPosition(const AXElement& r, Point p, AXElement& e) override {
        return checked(), inner_.elementAtPosition(r, p, e);
    }
    std::unique_ptr<AXObserver> createObserver(Pid pid, AXObserver::Callback cb) override {
        return inner_.createObserver(pid, std::move(cb));
    }
    bool isProcessTrusted() override { return inner_.isProcessTrusted(); }
    bool isProcessTrustedWithPrompt() override { return inner_.isProcessTrustedWithPrompt(); }

  private:
    void checked() {
        if (closed) ++callsAfterClose;
    }

    Accessibility& inner_;
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
    GatedAccessibility gated(desktop.accessibility());
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
                           platform.clock};

    int written = 0;
    {
        EngineOwner owner(
            [&] {
                gated.open();  // the write in flight completes, as a real one would
                queues.drain();
            },
            [&] {
                written = static_cast<int>(desktop.writes().size());
                gated.closed = true;
            });
        owner.adopt(WindowManager::create(gatedPlatform, prefs));
        owner.engine()->start();
        loop.advance(1.0);
        queues.drain();
        ASSERT_FALSE(desktop.writes().empty()) << "the windows were tiled";

        gated.shut();
        owner.engine()->perform(Action::wider);
        loop.advance(0.5);
        ASSERT_TRUE(gated.waitUntilHeld()) << "no write reached a worker thread";
    }
    gated.open();
    queues.drain();
    EXPECT_EQ(gated.callsAfterClose.load(), 0);
    EXPECT_EQ(static_cast<int>(desktop.writes().size()), written) << "a write after the close";
}

}  // namespace
}  // namespace tessarin::test
