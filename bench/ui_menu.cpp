// What opening the status menu costs: it is built afresh, with every shortcut, each time.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <QApplication>

#include "scenario/sim_session.hpp"
#include "ui/status_bar.hpp"

namespace {

using namespace tessarin;

// The whole menu with the factory shortcuts (every action but one bound), engine running.
void BM_RebuildStatusMenu(benchmark::State& state) {
    SimSession session;
    session.desktop().plugDisplay(sim::makeDisplay("MAIN", {0, 0, 2560, 1440}, "Main"));
    session.preferences().restoreDefaultShortcuts();
    session.engine().start();
    UiContext context{.platform = session.desktop().platform(session.queues()),
                      .prefs = session.preferences(),
                      .engine = session.engine(),
                      .version = "bench",
                      .showSettings = {},
                      .showOnboarding = {},
                      .quit = {},
                      .showGapPreview = {},
                      .hideGapPreview = {}};
    StatusBarController bar(context);
    for (auto _ : state)
        bar.rebuild();
    state.counters["items"] = static_cast<double>(bar.menu().actions().size());
}
BENCHMARK(BM_RebuildStatusMenu)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Menus need an application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
