// The engine on the simulated desktop with 100 windows: 50 columns on each of two 1440 × 900
// displays side by side. Figures (manual time: only the measured section counts):
// - PerformFocusRight: the main-loop time of `perform(focusRight)` and the work it posts for
//   the current turn (focus change, the coalesced layout pass), until every frame of that pass
//   is handed to the mover; with and without animation. Counters: frame writes that reach the
//   applications per command, once the animation and the queues have finished.
// - AnimationTick: the main-loop time of one 120 Hz animation tick during a long strip scroll.
//   Counter: frame writes handed to the applications per tick.
// - SaveLayoutNow: the main-loop time of one save of both strips, with the settings in a real
//   file written by a thread of its own, as the program keeps them.
// - IdleHealthTick: the main-loop time of two seconds of nothing happening: one health check
//   (nothing drifts). Counter: timer wake-ups in those two seconds (1: the health check alone;
//   the animation timer is off).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/thread_queues.hpp"
#include "scenario/sim_session.hpp"

namespace {

using namespace tessarin;
using SteadyClock = std::chrono::steady_clock;

constexpr int kColumnsPerDisplay = 50;
constexpr const char* kLeft = "LEFT-UUID";
constexpr const char* kRight = "RIGHT-UUID";

std::size_t frameWrites(const sim::SimDesktop& desktop) {
    std::size_t count = 0;
    for (const auto& write : desktop.writes()) {
        if (write.attribute == "AXPosition" || write.attribute == "AXSize") ++count;
    }
    return count;
}

// Two displays, one application, 50 windows on each display, the first left window focused.
class World {
  public:
    explicit World(bool animate, KeyValueStore* store = nullptr) : session_(0, store) {
        Log::Options quiet{};
        quiet.systemLog = false;
        Log::configure(quiet);

        session_.preferences().setAnimate(animate);
        auto& desktop = session_.desktop();
        desktop.plugDisplay(sim::makeDisplay(kLeft, {0, 0, 1440, 900}, "Left"));
        desktop.plugDisplay(sim::makeDisplay(kRight, {1440, 0, 1440, 900}, "Right"));
        const Pid app = desktop.launch(sim::makeApp("com.example.bench", "Bench"));
        for (int display = 0; display < 2; ++display) {
            for (int i = 0; i < kColumnsPerDisplay; ++i) {
                auto setup = sim::makeWindow("Window " + std::to_string(i),
                                             {100.0 + 1440 * display, 100, 700, 600});
                setup.focus = false;
                windows_.push_back(*desktop.openWindow(app, setup));
            }
        }
        session_.engine().start();
        desktop.focusWindow(windows_.front());
        settle();
        perform(Action::focusFirst);
        settle();
    }

    SimSession& session() { return session_; }
    WindowManager& engine() { return session_.engine(); }
    sim::SimDesktop& desktop() { return session_.desktop(); }
    const Strip& leftStrip() { return *engine().view().strip(kLeft); }

    void perform(Action action) {
        engine().perform(action);
        session_.runPending();
    }
    // Lets animations, size checks and every queued write finish.
    void settle() { session_.advance(1.5); }

  private:
    SimSession session_;
    std::vector<WindowID> windows_;
};

void PerformFocusRight(benchmark::State& state, bool animate) {
    World world(animate);
    auto& loop = world.session().loop();
    std::size_t commands = 0;
    std::size_t writes = 0;
    for (auto _ : state) {
        if (world.leftStrip().focusedColumn + 1 >= kColumnsPerDisplay) {
            world.perform(Action::focusFirst);
            world.settle();
        }
        world.desktop().clearWrites();

        const auto start = SteadyClock::now();
        world.engine().perform(Action::focusRight);
        loop.drain();
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());

        world.settle();
        ++commands;
        writes += frameWrites(world.desktop());
    }
    state.counters["writes/command"] =
        benchmark::Counter(static_cast<double>(writes) / static_cast<double>(commands));
}

void BM_PerformFocusRightAnimated(benchmark::State& state) {
    PerformFocusRight(state, true);
}
void BM_PerformFocusRightInstant(benchmark::State& state) {
    PerformFocusRight(state, false);
}

void BM_AnimationTick(benchmark::State& state) {
    World world(true);
    auto& loop = world.session().loop();
    bool toEnd = true;
    std::size_t ticks = 0;
    std::size_t writes = 0;
    for (auto _ : state) {
        if (!world.engine().view().animation(kLeft)) {
            // A scroll across the whole strip and back: every tick moves most visible columns.
            world.perform(toEnd ? Action::focusLast : Action::focusFirst);
            toEnd = !toEnd;
        }
        world.desktop().clearWrites();

        const auto start = SteadyClock::now();
        loop.advance(1.0 / 120);
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());

        world.session().runPending();
        ++ticks;
        writes += frameWrites(world.desktop());
    }
    state.counters["writes/tick"] =
        benchmark::Counter(static_cast<double>(writes) / static_cast<double>(ticks));
}

void BM_SaveLayoutNow(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessarin-bench-XXXXXX");
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    ThreadQueueFactory queues;
    FileStore file(folder, "com.tessarin.bench");
    file.writeOn(queues.queue("settings"));
    World world(false, &file);
    auto& loop = world.session().loop();
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        world.engine().saveLayoutNow();
        loop.drain();
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        // The arrangement per monitor setup is finished off the main loop, then stored.
        world.session().runPending();
    }
    queues.drain();
    std::filesystem::remove_all(folder);
}

void BM_IdleHealthTick(benchmark::State& state) {
    World world(false);
    auto& session = world.session();
    std::size_t wakes = 0;
    std::size_t rounds = 0;
    auto& loop = session.loop();
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        // Straight from one due timer to the next, as the real loop sleeps between them.
        const double until = loop.now() + 2.0;
        for (auto due = loop.nextDue(); due && *due <= until; due = loop.nextDue()) {
            loop.advanceTo(*due);
            session.runPending();
            ++wakes;
        }
        loop.advanceTo(until);
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        ++rounds;
    }
    state.counters["wakes/2s"] =
        benchmark::Counter(static_cast<double>(wakes) / static_cast<double>(rounds));
}

BENCHMARK(BM_PerformFocusRightAnimated)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PerformFocusRightInstant)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnimationTick)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveLayoutNow)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IdleHealthTick)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
