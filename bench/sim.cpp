// What the simulated desktop costs the tests and the headless demo that run on it.
#include <benchmark/benchmark.h>

#include "backends/sim/sim_desktop.hpp"
#include "base/virtual_loop.hpp"

namespace {

using namespace tessarin;

struct Desktop {
    VirtualLoop loop;
    sim::SimDesktop sim{loop};
    std::vector<WindowID> windows;
    Pid pid = 0;

    explicit Desktop(int count) {
        sim.plugDisplay(sim::makeDisplay("A", {0, 0, 2560, 1440}));
        pid = sim.launch(sim::makeApp("com.example.app", "App"));
        for (int i = 0; i < count; ++i) {
            windows.push_back(*sim.openWindow(pid, sim::makeWindow("W", {10.0 * i, 30, 800, 600})));
        }
        loop.drain();
    }
};

// One position write: the mover's cost per window per animation frame.
void BM_SetPosition(benchmark::State& state) {
    Desktop desktop(static_cast<int>(state.range(0)));
    const AXElement element = *desktop.sim.element(desktop.windows.front());
    double x = 0;
    int count = 0;
    for (auto _ : state) {
        x = x > 1000 ? 0 : x + 1;
        benchmark::DoNotOptimize(
            desktop.sim.accessibility().setAttribute(element, "AXPosition", Point{x, 40}));
        if (++count % 4096 == 0) desktop.sim.clearWrites();
    }
}
BENCHMARK(BM_SetPosition)->Arg(10)->Arg(100);

void BM_ReadSize(benchmark::State& state) {
    Desktop desktop(static_cast<int>(state.range(0)));
    const AXElement element = *desktop.sim.element(desktop.windows.back());
    AXValue value;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            desktop.sim.accessibility().copyAttribute(element, "AXSize", value));
    }
}
BENCHMARK(BM_ReadSize)->Arg(10)->Arg(100);

// The on-screen list, read by reconciliation and the health check.
void BM_WindowList(benchmark::State& state) {
    Desktop desktop(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(desktop.sim.windowServer().windowList(true));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WindowList)->Arg(10)->Arg(100)->Arg(1000)->Complexity();

// A user move heard by one scheduled observer: event, post, delivery.
void BM_MoveAndDeliver(benchmark::State& state) {
    Desktop desktop(10);
    int heard = 0;
    auto observer = desktop.sim.accessibility().createObserver(
        desktop.pid, [&](const AXElement&, const std::string&) { ++heard; });
    observer->addNotification(desktop.sim.accessibility().application(desktop.pid),
                              "AXWindowMoved");
    observer->schedule();
    double x = 0;
    for (auto _ : state) {
        x = x > 1000 ? 0 : x + 1;
        desktop.sim.moveWindow(desktop.windows.front(), {x, 30, 800, 600});
        desktop.loop.drain();
    }
    benchmark::DoNotOptimize(heard);
}
BENCHMARK(BM_MoveAndDeliver);

}  // namespace
BENCHMARK_MAIN();
