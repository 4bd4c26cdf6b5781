// A strip scroll as the engine animates it: 0.24 s at 120 Hz, 29 frames, all the same size, for
// a window whose application takes 50 ms per write. The mover runs on real threads and the
// application's latency is a real 50 ms sleep inside each write, so the engine's ticks keep
// arriving while a write is under way, as they do on a desktop; coalescing decides what the
// application gets to see. Figures: writes made, and whether the last write was the final frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "../tests/system/scripted_accessibility.hpp"
#include "backends/sim/sim_desktop.hpp"
#include "base/log.hpp"
#include "base/thread_queues.hpp"
#include "base/virtual_loop.hpp"
#include "system/window_mover.hpp"

namespace {

using namespace tessarin;
using SteadyClock = std::chrono::steady_clock;

constexpr double kRate = 120;
constexpr int kFrames = 29;  // ticks at 0, 1/120, ..., 28/120 s
constexpr auto kWriteLatency = std::chrono::milliseconds(50);

class RealClock : public Clock {
  public:
    double now() const override {
        return std::chrono::duration<double>(SteadyClock::now().time_since_epoch()).count();
    }
};

// The ease-out curve of a strip scroll, from x = 620 to x = 20; the last tick is the end.
Rect frameAt(int tick) {
    const double progress = static_cast<double>(tick) / (kFrames - 1);
    const double eased = 1 - std::pow(1 - progress, 3);
    return {620 - 600 * eased, 40, 600, 800};
}

// Blocks until everything queued for the application so far has run.
void waitForQueue(WindowMover& mover, Pid pid) {
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    mover.read(pid, [done] { done->set_value(); });
    finished.wait();
}

void BM_ScrollAnimationSlowApplication(benchmark::State& state) {
    Log::Options options{};
    options.systemLog = false;
    Log::configure(options);

    VirtualLoop loop;
    sim::SimDesktop desktop(loop);
    sim::DisplaySetup display;
    display.uuid = "PRIMARY";
    display.frame = {0, 0, 1440, 900};
    desktop.plugDisplay(display);
    sim::AppSetup app;
    app.bundleID = "com.example.slow";
    const Pid pid = desktop.launch(app);
    sim::WindowSetup setup;
    setup.frame = frameAt(0);
    const WindowID id = *desktop.openWindow(pid, setup);

    test::ScriptedAccessibility ax(desktop.accessibility());
    ax.onWrite([pid](const AXElement& element, std::string_view) {
        if (element.pid == pid && !element.isApplication())
            std::this_thread::sleep_for(kWriteLatency);
    });
    RealClock clock;
    ThreadQueueFactory queues;
    auto mover = WindowMover::create(ax, queues, loop, clock);
    auto window = AXWindow::create(ax, desktop.workspace(), desktop.window(id)->element, pid);

    double writes = 0;
    double lastIsFinal = 0;
    double settle = 0;
    for (auto _ : state) {
        // The window is already tiled: the mover knows its size, so each frame is one write.
        mover->move(window, frameAt(kFrames - 1));
        waitForQueue(*mover, pid);
        desktop.clearWrites();
        loop.drain();

        const auto start = SteadyClock::now();
        for (int tick = 0; tick < kFrames; ++tick) {
            std::this_thread::sleep_until(start + std::chrono::duration<double>(tick / kRate));
            mover->move(window, frameAt(tick));
        }
        const auto lastRequest = SteadyClock::now();
        waitForQueue(*mover, pid);
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        settle += std::chrono::duration<double, std::milli>(end - lastRequest).count();

        std::optional<AXValue> last;
        for (const sim::AttributeWrite& write : desktop.writes()) {
            if (write.window != id) continue;
            ++writes;
            if (write.attribute == "AXPosition") last = write.value;
        }
        lastIsFinal += last == AXValue{frameAt(kFrames - 1).origin()} ? 1 : 0;
    }
    using benchmark::Counter;
    state.counters["requested"] = kFrames;
    state.counters["writes"] = Counter(writes, Counter::kAvgIterations);
    state.counters["lastIsFinal"] = Counter(lastIsFinal, Counter::kAvgIterations);
    state.counters["settle_ms"] = Counter(settle, Counter::kAvgIterations);
    mover.reset();
}

BENCHMARK(BM_ScrollAnimationSlowApplication)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
