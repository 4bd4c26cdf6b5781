// Layout costs per animation tick: frames for strips of 10, 100 and 1,000 windows with mixed
// stacks, and the scroll helpers the engine calls around it. Figures are per window.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "core/strip_layout.hpp"

namespace tessarin {
namespace {

constexpr Rect bounds{0, 0, 1440, 900};
constexpr Rect area{12, 12, 1416, 876};
const LayoutConfig config{12, CenterMode::onOverflow, 8};

struct Fixture {
    Strip strip;
    StripLayout::MinHeights minHeights;
    std::size_t windows = 0;
};

// Columns of one to three windows with assorted widths and weights; window numbers are
// shuffled as the window server hands them out, and a few windows carry a minimum height.
Fixture makeFixture(std::size_t windowCount) {
    std::mt19937 rng(42);
    std::vector<WindowID> ids(windowCount);
    for (std::size_t i = 0; i < windowCount; ++i)
        ids[i] = static_cast<WindowID>(1000 + i * 13);
    std::shuffle(ids.begin(), ids.end(), rng);
    const double fractions[] = {1.0 / 3, 0.5, 2.0 / 3, 1.0};
    Fixture f;
    std::size_t next = 0;
    while (next < windowCount) {
        const std::size_t rows = std::min<std::size_t>(1 + rng() % 3, windowCount - next);
        Column column({ids.begin() + next, ids.begin() + next + rows}, fractions[rng() % 4]);
        for (double& weight : column.heightWeights)
            weight = 0.5 + (rng() % 4) * 0.5;
        if (rows > 1 && rng() % 4 == 0) f.minHeights.insertOrAssign(ids[next], 500);
        f.strip.columns.push_back(std::move(column));
        next += rows;
    }
    f.strip.focusedColumn = static_cast<std::int64_t>(f.strip.columns.size() / 2);
    f.strip.scrollOffset = StripLayout::centeredScroll(f.strip, area.width, config.gap);
    f.windows = windowCount;
    return f;
}

void perWindow(benchmark::State& state, std::size_t windows) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * windows));
    state.counters["per_window"] = benchmark::Counter(
        static_cast<double>(windows),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The engine's path: one frame map per display refilled on every tick.
void framesRefill(benchmark::State& state) {
    const Fixture f = makeFixture(static_cast<std::size_t>(state.range(0)));
    StripLayout::Frames out;
    double scroll = f.strip.scrollOffset;
    for (auto _ : state) {
        StripLayout::frames(f.strip, scroll, area, bounds, config, false, true, f.minHeights, out);
        benchmark::DoNotOptimize(out);
        scroll += 0.25;  // an animation moves a little every tick
    }
    perWindow(state, f.windows);
}
BENCHMARK(framesRefill)->Arg(10)->Arg(100)->Arg(1000);

void framesFresh(benchmark::State& state) {
    const Fixture f = makeFixture(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto out = StripLayout::frames(f.strip, f.strip.scrollOffset, area, bounds, config, false,
                                       true, f.minHeights);
        benchmark::DoNotOptimize(out);
    }
    perWindow(state, f.windows);
}
BENCHMARK(framesFresh)->Arg(10)->Arg(100)->Arg(1000);

void spans(benchmark::State& state) {
    const Fixture f = makeFixture(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto result = StripLayout::spans(f.strip, area.width, config.gap);
        benchmark::DoNotOptimize(result);
    }
    perWindow(state, f.windows);
}
BENCHMARK(spans)->Arg(10)->Arg(100)->Arg(1000);

void revealScroll(benchmark::State& state) {
    const Fixture f = makeFixture(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(StripLayout::revealScroll(f.strip, area.width, config));
    }
    perWindow(state, f.windows);
}
BENCHMARK(revealScroll)->Arg(10)->Arg(100)->Arg(1000);

void nearestColumn(benchmark::State& state) {
    const Fixture f = makeFixture(static_cast<std::size_t>(state.range(0)));
    double scroll = f.strip.scrollOffset;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            StripLayout::nearestColumn(f.strip, scroll, area.width, config.gap));
        scroll += 0.25;
    }
    perWindow(state, f.windows);
}
BENCHMARK(nearestColumn)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
}  // namespace tessarin

BENCHMARK_MAIN();
