// The overlays' cost on the main loop: the engine on the simulated desktop with 10 windows on
// one 1440 × 900 display, scrolling across the strip and back with animation, the toolkit's
// focus outline (as on the simulated desktop; on X the program has the server draw it, see
// bench_x11_animation) and strip overview plugged in (Qt on the offscreen platform).
// - AnimationTick/border:B/overview:O: the main-loop time of one 120 Hz animation tick plus
//   the toolkit's event processing that follows it (the outline's move and repaint, the
//   overview's refresh), with the outline on (B=1) or off, and the overview shown on every
//   navigation (O=1) or never. Counter: the share of ticks with the overview visible.
// - GapPreviewShow/masked:M: one step of a gap slider's drag: `GapPreview::show` on two
//   displays and the repaint that follows, with a compositor (M=0) or without one, when each
//   overlay is shaped to what it draws (M=1).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <string>

#include "base/log.hpp"
#include "scenario/sim_session.hpp"
#include "ui/focus_border.hpp"
#include "ui/gap_preview.hpp"
#include "ui/strip_overview.hpp"

namespace {

using namespace tessarin;
using SteadyClock = std::chrono::steady_clock;

constexpr int kWindows = 10;
constexpr const char* kDisplay = "MAIN-UUID";

class World {
  public:
    World(bool border, bool overview) {
        Log::Options quiet{};
        quiet.systemLog = false;
        Log::configure(quiet);
        session_.setOverlays(&panel_, &border_);
        Preferences& prefs = session_.preferences();
        prefs.setAnimate(true);
        prefs.setFocusBorder(border);
        prefs.setFocusBorderWidth(4);
        prefs.setShowIndicator(overview);
        auto& desktop = session_.desktop();
        desktop.plugDisplay(sim::makeDisplay(kDisplay, {0, 0, 1440, 900}, "Main"));
        const Pid app = desktop.launch(sim::makeApp("com.example.bench", "Bench"));
        for (int i = 0; i < kWindows; ++i) {
            desktop.openWindow(
                app, sim::makeWindow("Window " + std::to_string(i), {100.0 + i, 100, 800, 600}));
        }
        session_.engine().start();
        session_.advance(2);
    }

    SimSession& session() { return session_; }
    OverviewPanel& panel() { return panel_; }
    sim::SimDesktop& desktop() { return session_.desktop(); }

  private:
    OverviewPanel panel_{[this](std::int64_t index, const std::string& key) {
        session_.engine().focusColumn(index, key);
    }};
    BorderWindow border_;
    SimSession session_;
};

void BM_AnimationTick(benchmark::State& state) {
    World world(state.range(0) != 0, state.range(1) != 0);
    auto& session = world.session();
    bool toEnd = true;
    std::size_t ticks = 0;
    std::size_t shown = 0;
    for (auto _ : state) {
        if (!session.engine().view().animation(kDisplay)) {
            session.engine().perform(toEnd ? Action::focusLast : Action::focusFirst);
            toEnd = !toEnd;
            session.runPending();
            QApplication::processEvents();
        }
        const auto start = SteadyClock::now();
        session.loop().advance(SimSession::kStep);
        session.runPending();
        QApplication::processEvents();
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        ++ticks;
        shown += world.panel().isVisible() ? 1 : 0;
    }
    state.counters["overview shown"] =
        benchmark::Counter(static_cast<double>(shown) / static_cast<double>(ticks));
}

BENCHMARK(BM_AnimationTick)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"border", "overview"})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_GapPreviewShow(benchmark::State& state) {
    World world(false, false);
    world.desktop().plugDisplay(sim::makeDisplay("SIDE-UUID", {1440, 0, 1920, 1080}, "Side"));
    world.session().advance(2);
    const bool masked = state.range(0) != 0;
    GapPreview preview(world.session().engine(), [masked] { return !masked; });
    int gap = 0;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        gap = (gap + 1) % 40;
        preview.show(gap, 10, "Gap " + std::to_string(gap));
        QApplication::processEvents();
        const auto end = SteadyClock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    preview.hide();
}

BENCHMARK(BM_GapPreviewShow)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("masked")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
