// What opening the status menu costs: it is built afresh, with every shortcut, each time.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <QApplication>

#include "scenario/sim_session.hpp"
#include "ui/status_bar.hpp"

namespace {

using namespace tessarin;

// Menus need an application; the offscreen platform needs no display.
QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_ui_menu";
    static char* argv[] = {name, nullptr};
    static QApplication* made = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *made;
}

// The whole menu with the factory shortcuts (every action but one bound), engine running.
void BM_RebuildStatusMenu(benchmark::State& state) {
    application();
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
    // Every item, the submenu's included.
    double items = 0;
    for (QAction* item : bar.menu().actions())
        items += 1 + (item->menu() ? item->menu()->actions().size() : 0);
    state.counters["items"] = items;
}
BENCHMARK(BM_RebuildStatusMenu)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
