#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "backends/sim/sim_queue_runner.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "engine/window_manager.hpp"
#include "settings/preferences.hpp"

namespace tessarin::test {

using IDs = std::vector<WindowID>;
using Lines = std::vector<std::string>;

// The swipe tap's record of title-bar double clicks.
class DoubleClicks : public InputControl {
  public:
    std::optional<double> last;
    std::optional<double> lastDoubleClick() const override { return last; }
};

// The engine on a simulated desktop with the virtual clock. Queued frame writes run as the
// clock advances, the way a real desktop's queues keep up with the main loop.
// Counts how often the engine stores its strips.
class RecordingStore : public MemoryStore {
  public:
    void set(const std::string& key, nlohmann::json value) override {
        if (key == WindowManager::savedStripsKey) ++stripSaves;
        MemoryStore::set(key, std::move(value));
    }
    int stripSaves = 0;
};

class EngineHarness : public ::testing::Test {
  protected:
    static constexpr const char* primaryUUID = "PRIMARY-UUID";

    VirtualLoop loop;
    SteppedExecutor queues;
    sim::SimDesktop desktop{loop};
    sim::QueueRunner runner{loop, queues, desktop};
    RecordingStore store;
    std::unique_ptr<Preferences> prefs = std::make_unique<Preferences>(store);
    EngineHooks hooks;
    std::shared_ptr<WindowManager> engine;
    // The application `openColumns` opens its windows in.
    Pid app = 0;

    EngineHarness() {
        Log::setObserver([this](std::string_view line) {
            std::lock_guard lock(logMutex_);
            log_.emplace_back(line);
        });
    }
    ~EngineHarness() override { Log::setObserver({}); }
    // Hooks and services that fixtures own die before this base class; the engine goes first.
    // Callbacks a test set may hold its locals, which are gone by now.
    void TearDown() override {
        if (engine) {
            engine->onStateChange = nullptr;
            engine->onPermissionLost = nullptr;
            engine->stop(false);
        }
        engine.reset();
    }

    // A 1440 × 900 primary display whose visible frame loses a 25-point menu bar.
    std::uint32_t plugPrimary() {
        return desktop.plugDisplay(sim::makeDisplay(primaryUUID, {0, 0, 1440, 900}, "Built-in"));
    }

    void startEngine() {
        engine = WindowManager::create(desktop.platform(queues), *prefs, hooks);
        engine->start();
        settle();
    }

    // Moves the clock in animation-sized steps, running due work and queued writes between.
    void advance(double seconds, double step = 1.0 / 120) {
        const double end = loop.now() + seconds;
        for (;;) {
            runner.runPending();
            if (loop.now() >= end) break;
            loop.advanceTo(std::min(end, loop.now() + step));
        }
    }
    // Long enough for admission retries, animations and size checks to finish.
    void settle() { advance(2.0); }

    Pid launch(const std::string& bundle, const std::string& name = "App") {
        return desktop.launch(sim::makeApp(bundle, name));
    }
    // Opens a window; one opened without focus leaves the focus where it is.
    WindowID open(Pid pid, const std::string& title, Rect frame = {100, 100, 800, 600},
                  bool focus = true) {
        sim::WindowSetup setup = sim::makeWindow(title, frame);
        setup.focus = focus;
        auto id = desktop.openWindow(pid, setup);
        EXPECT_TRUE(id.has_value());
        return id.value_or(0);
    }
    // Opens a window and lets the engine admit it before the next one arrives.
    WindowID openSettled(Pid pid, const std::string& title, Rect frame = {100, 100, 800, 600}) {
        WindowID id = open(pid, title, frame);
        settle();
        return id;
    }

    // Opens `count` windows of one application, one column each, left to right; the last one
    // ends focused.
    std::vector<WindowID> openColumns(int count) {
        if (!app) app = launch("com.example.editor", "Editor");
        std::vector<WindowID> ids;
        for (int i = 0; i < count; ++i)
            ids.push_back(openSettled(app, "Window " + std::to_string(i + 1)));
        return ids;
    }

    Rect frameOf(WindowID id) const {
        auto window = desktop.window(id);
        return window ? window->frame : Rect{};
    }
    EngineView view() const { return engine->view(); }
    const Strip* strip(const std::string& key = primaryUUID) const { return view().strip(key); }
    std::vector<WindowID> stripWindows(const std::string& key = primaryUUID) const {
        const Strip* s = strip(key);
        return s ? s->windows() : std::vector<WindowID>{};
    }
    // The windows of each column, left to right.
    std::vector<std::vector<WindowID>> layoutOf(const std::string& key = primaryUUID) const {
        std::vector<std::vector<WindowID>> rows;
        if (const Strip* s = strip(key)) {
            for (const Column& column : s->columns)
                rows.push_back(column.windows);
        }
        return rows;
    }

    // Log lines since the last call.
    std::vector<std::string> takeLog() {
        std::lock_guard lock(logMutex_);
        return std::exchange(log_, {});
    }
    // Whether any line since the last takeLog equals `line` (the lines are kept).
    bool logged(const std::string& line) {
        std::lock_guard lock(logMutex_);
        for (const auto& l : log_)
            if (l == line) return true;
        return false;
    }
    int countLogged(const std::string& prefix) {
        std::lock_guard lock(logMutex_);
        int n = 0;
        for (const auto& l : log_)
            if (l.rfind(prefix, 0) == 0) ++n;
        return n;
    }

  private:
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

}  // namespace tessarin::test
