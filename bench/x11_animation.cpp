// The focus outline's cost on the main loop, on a real X server: Xvfb 2560×1440 with 10 xterms,
// the engine on the X11 backend and the program's loop, scrolling the strip from end to end
// with animation, with the outline the program draws on X (`XFocusOutline`) on or off. A
// wrapper around the loop times every callback it runs:
// - tick: the animation timer's own callback (the layout, the frames handed to the writers,
//   which move the outline along with the focused window);
// - loop: everything the loop ran during an animation (ticks, the X events they cause, the
//   writers' answers), divided by the animation's ticks.
// On and off alternate animation by animation in one process, against the same server and
// windows. Figures only: nothing passes or fails.
//
//   bench_x11_animation [--animations N]   (default 60 for each setting)
#include <time.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/qt_loop.hpp"
#include "app/x_overlays.hpp"
#include "backends/x11/x11_desktop.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "base/thread_queues.hpp"
#include "engine/window_manager.hpp"
#include "settings/preferences.hpp"
#include "x11/x_server.hpp"

namespace {

using namespace tessarin;
using tessarin::test::XServer;
using SteadyClock = std::chrono::steady_clock;

double threadMicros();

// Times what the loop runs; the engine's animation timer is the one repeating faster than 20 Hz.
class TimedLoop : public MainLoop {
  public:
    explicit TimedLoop(QtLoop& loop) : loop_(loop) {}

    void post(Task task) override { loop_.post(timed(std::move(task), false)); }
    TimerID after(double seconds, Task task) override {
        return loop_.after(seconds, timed(std::move(task), false));
    }
    TimerID every(double interval, Task task) override {
        return loop_.every(interval, timed(std::move(task), interval < 0.05));
    }
    void cancel(TimerID id) override { loop_.cancel(id); }
    double now() const override { return loop_.now(); }
    WatchID watchReadable(int fd, Task task) override {
        return loop_.watchReadable(fd, timed(std::move(task), false));
    }
    WatchID watchWritable(int fd, Task task) override {
        return loop_.watchWritable(fd, timed(std::move(task), false));
    }
    void unwatch(WatchID id) override { loop_.unwatch(id); }

    // What ran since the last reset, in µs: wall time, and the main thread's processor time.
    double busy = 0;
    double cpu = 0;
    std::size_t runs = 0;
    std::vector<double> ticks;
    std::vector<double> tickCpu;
    void reset() {
        busy = 0;
        cpu = 0;
        runs = 0;
        ticks.clear();
        tickCpu.clear();
    }

  private:
    Task timed(Task task, bool tick) {
        return [this, task = std::move(task), tick] {
            const auto start = SteadyClock::now();
            const double startCpu = threadMicros();
            task();
            const double spent =
                std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
            const double spentCpu = threadMicros() - startCpu;
            busy += spent;
            cpu += spentCpu;
            ++runs;
            if (tick) {
                ticks.push_back(spent);
                tickCpu.push_back(spentCpu);
            }
        };
    }

    QtLoop& loop_;
};

double threadMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Sample {
    std::vector<double> ticks;        // each tick's own time, µs
    std::vector<double> tickCpu;      // the same in the main thread's processor time
    std::vector<double> loopPerTick;  // each animation's loop time over its ticks, µs
    std::vector<double> cpuPerTick;   // the same in the main thread's processor time
    std::vector<double> runsPerTick;  // callbacks the loop ran, over the ticks
};

}  // namespace

int main(int argc, char** argv) {
    int animations = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--animations" && i + 1 < argc) animations = std::max(1, std::atoi(argv[++i]));
        // The quick pass over every benchmark that CI makes.
        if (arg.starts_with("--benchmark_min_time")) animations = 2;
    }
    Log::Options quiet{};
    quiet.systemLog = false;
    Log::configure(quiet);

    XServer server(2560, 1440, XServer::Manager::none);
    if (server.display().empty()) {
        std::fprintf(stderr, "no X server: %s\n", server.failure().c_str());
        return 1;
    }
    std::vector<pid_t> xterms;
    for (int i = 0; i < 10; ++i)
        xterms.push_back(server.spawn({"xterm", "-T", "xterm " + std::to_string(i)}));

    // The ring's shape is drawn with the toolkit's painter; nothing of it is shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    QtLoop real;
    TimedLoop loop(real);
    std::string error;
    std::unique_ptr<x11::X11Desktop> desktop = x11::X11Desktop::open(server.display(), loop, error);
    if (!desktop) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    ThreadQueueFactory queues;
    MemoryStore store;
    Preferences prefs(store);
    prefs.setAnimate(true);
    prefs.setShowIndicator(false);
    prefs.setFocusBorderWidth(4);
    XFocusOutline outline(desktop, 0x3584e4);
    auto engine =
        WindowManager::create(desktop->platform(queues), prefs, EngineHooks{.border = &outline});
    engine->start();

    // Runs the loop until `done` or `seconds` pass.
    auto runUntil = [&](const std::function<bool()>& done, double seconds) {
        const double end = real.now() + seconds;
        const auto poll = real.every(0.002, [&] {
            if (done() || real.now() > end) real.quit();
        });
        real.run();
        real.cancel(poll);
    };
    runUntil([&] { return engine->view().windows().size() >= xterms.size(); }, XServer::kDeadline);
    runUntil([] { return false; }, 1.0);
    std::printf("%zu windows tiled on %s\n", engine->view().windows().size(),
                server.display().c_str());

    Sample off, on;
    bool toEnd = true;
    for (int i = 0; i < 2 * animations; ++i) {
        const bool border = i % 2 == 1;
        prefs.setFocusBorder(border);
        // Past the engine's wait for settings to settle: the switch is not part of the figure.
        runUntil([] { return false; }, 0.2);
        loop.reset();
        engine->perform(toEnd ? Action::focusLast : Action::focusFirst);
        toEnd = !toEnd;
        runUntil([&] { return !engine->view().animating(); }, 5.0);
        // The X events of the last frames.
        runUntil([] { return false; }, 0.05);
        if (loop.ticks.empty()) continue;
        Sample& sample = border ? on : off;
        sample.ticks.insert(sample.ticks.end(), loop.ticks.begin(), loop.ticks.end());
        sample.tickCpu.insert(sample.tickCpu.end(), loop.tickCpu.begin(), loop.tickCpu.end());
        const auto ticks = static_cast<double>(loop.ticks.size());
        sample.loopPerTick.push_back(loop.busy / ticks);
        sample.cpuPerTick.push_back(loop.cpu / ticks);
        sample.runsPerTick.push_back(static_cast<double>(loop.runs) / ticks);
    }

    auto figures = [](const Sample& s) {
        return std::array<double, 5>{median(s.ticks), median(s.tickCpu), median(s.loopPerTick),
                                     median(s.cpuPerTick), median(s.runsPerTick)};
    };
    const std::array<double, 5> rows[2] = {figures(off), figures(on)};
    std::printf("medians (µs)  tick  tick cpu  loop/tick  loop cpu/tick  callbacks/tick\n");
    for (int row = 0; row < 2; ++row) {
        const auto& f = rows[row];
        std::printf("outline %-3s %6.1f %9.1f %10.1f %14.1f %15.2f\n", row == 0 ? "off" : "on",
                    f[0], f[1], f[2], f[3], f[4]);
    }
    std::printf("with it    ");
    for (std::size_t column = 0; column < 5; ++column) {
        const double before = rows[0][column];
        std::printf(" %+8.1f %%", before > 0 ? 100 * (rows[1][column] / before - 1) : 0.0);
    }
    std::printf("\n(%zu ticks off, %zu on)\n", off.ticks.size(), on.ticks.size());

    engine->stop(false);
    runUntil([] { return false; }, 0.1);
    queues.drain();
    engine.reset();
    for (pid_t pid : xterms)
        XServer::end(pid);
    return 0;
}
