// Random desktops: windows open, close, move, minimise and go full screen, applications hide,
// hang and quit, Spaces switch, a display comes and goes, commands arrive, and the clock moves
// by random amounts. After every step the engine's bookkeeping must still hold together.
#include <algorithm>
#include <random>
#include <set>
#include <sstream>

#include "engine_harness.hpp"
#include "support/seed.hpp"
#include "support/strip_invariants.hpp"

namespace tessarin::test {
namespace {

// The engine's own bookkeeping rules, and every strip's own invariants.
testing::AssertionResult engineInvariantsHold(const EngineView& view) {
    for (const auto* strips : {&view.strips(), &view.detached()}) {
        for (const auto& [key, strip] : *strips) {
            if (auto held = stripInvariantsHold(strip); !held)
                return held << " (strip " << key << ")";
        }
    }
    if (auto fault = view.bookkeepingFault()) return testing::AssertionFailure() << *fault;
    return testing::AssertionSuccess();
}

class EngineRandom : public EngineHarness {
  protected:
    static constexpr const char* secondUUID = "SECOND-UUID";

    std::mt19937_64 random;
    std::vector<Pid> apps;
    std::vector<WindowID> opened;
    std::optional<std::uint32_t> second;
    std::optional<std::uint32_t> primary;

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    double between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }

    std::vector<WindowID> live() {
        std::vector<WindowID> ids;
        for (WindowID id : opened)
            if (desktop.window(id)) ids.push_back(id);
        return ids;
    }
    std::optional<WindowID> anyWindow() {
        auto ids = live();
        if (ids.empty()) return std::nullopt;
        return ids[static_cast<std::size_t>(below(static_cast<int>(ids.size())))];
    }
    std::optional<Pid> anyApp() {
        std::vector<Pid> running;
        for (Pid pid : apps) {
            auto app = desktop.workspace().application(pid);
            if (app && !app->terminated) running.push_back(pid);
        }
        if (running.empty()) return std::nullopt;
        return running[static_cast<std::size_t>(below(static_cast<int>(running.size())))];
    }

    // One random thing happens; returns its description for the failure message.
    std::string step() {
        std::ostringstream what;
        const int kind = below(26);
        if (kind <= 5) {
            auto pid = anyApp();
            if (!pid || chance(0.1)) {
                pid = launch("com.example.app" + std::to_string(apps.size()));
                apps.push_back(*pid);
            }
            sim::WindowSetup setup = sim::makeWindow(
                "W", {between(-200, 3000), between(0, 800), between(40, 1500), between(40, 900)});
            setup.focus = chance(0.7);
            setup.minimized = chance(0.1);
            setup.fullScreen = chance(0.05);
            setup.fixedSize = chance(0.05);
            if (chance(0.1)) setup.workspace = 2;
            if (chance(0.05)) setup.subrole = "AXDialog";
            if (chance(0.1)) setup.minimumSize = {between(100, 1500), between(100, 900)};
            if (auto id = desktop.openWindow(*pid, setup)) opened.push_back(*id);
            what << "open in " << *pid;
        } else if (kind == 6) {
            if (auto id = anyWindow()) desktop.closeWindow(*id), what << "close " << *id;
        } else if (kind == 7) {
            if (auto id = anyWindow()) desktop.focusWindow(*id), what << "focus " << *id;
        } else if (kind <= 11) {
            const Action action = allActions()[static_cast<std::size_t>(below(actionCount))];
            // Tiling off would end the run's interest; it is switched back on below.
            engine->perform(action);
            if (!engine->isRunning()) engine->start();
            what << "perform " << rawValue(action);
        } else if (kind == 12) {
            if (auto id = anyWindow()) {
                const bool down = chance(0.5);
                desktop.setMinimized(*id, down);
                what << (down ? "minimize " : "unminimize ") << *id;
            }
        } else if (kind == 13) {
            if (auto id = anyWindow()) {
                const bool full = chance(0.5);
                desktop.setFullScreen(*id, full);
                what << "full screen " << full << " " << *id;
            }
        } else if (kind == 14) {
            if (auto pid = anyApp()) {
                const bool hide = chance(0.5);
                hide ? desktop.hide(*pid) : desktop.unhide(*pid);
                what << (hide ? "hide " : "unhide ") << *pid;
            }
        } else if (kind == 15) {
            if (auto pid = anyApp(); pid && chance(0.3))
                desktop.quit(*pid), what << "quit " << *pid;
        } else if (kind == 16) {
            const int space = 1 + below(2);
            desktop.switchWorkspace(space);
            what << "workspace " << space;
        } else if (kind == 17) {
            if (auto id = anyWindow()) {
                const int space = 1 + below(2);
                desktop.moveToWorkspace(*id, space);
                what << "window " << *id << " to workspace " << space;
            }
        } else if (kind == 18 && chance(0.3)) {
            // The primary goes (a lid closed); alone, it leaves no display at all.
            if (primary) {
                desktop.unplugDisplay(*primary);
                primary.reset();
                what << "unplug primary";
            } else {
                primary = plugPrimary();
                what << "plug primary";
            }
        } else if (kind == 18) {
            if (second) {
                desktop.unplugDisplay(*second);
                second.reset();
                what << "unplug";
            } else {
                second = desktop.plugDisplay(
                    sim::makeDisplay(secondUUID, {1440, 0, 1920, 1080}, "Studio"));
                what << "plug";
            }
        } else if (kind == 19) {
            if (auto id = anyWindow()) {
                // The user drags or resizes it with the mouse.
                desktop.setPressedButtons(1);
                desktop.moveWindow(*id, {between(0, 2000), between(25, 600), between(200, 1400),
                                         between(200, 800)});
                advance(between(0, 0.3));
                desktop.setPressedButtons(0);
                what << "drag " << *id;
            }
        } else if (kind == 20) {
            if (auto pid = anyApp()) {
                const bool hung = chance(0.5);
                desktop.setHung(*pid, hung ? sim::HangMode::timeOutAtOnce : sim::HangMode::none);
                what << (hung ? "hang " : "recover ") << *pid;
            }
        } else if (kind == 21) {
            if (auto id = anyWindow()) {
                desktop.setMinimumSize(*id, {between(100, 1600), between(100, 1000)});
                what << "minimum size of " << *id;
            }
        } else if (kind == 22) {
            engine->stop(chance(0.5));
            engine->start();
            what << "restart";
        } else if (kind == 23) {
            // A swipe: a few distances, and usually its end.
            for (int i = below(4); i >= 0; --i)
                engine->inputScroll(between(-900, 900));
            if (chance(0.8)) engine->inputScrollEnded(between(-6000, 6000));
            what << "swipe";
        } else if (kind == 24) {
            // The settings window: gaps, a floating rule on the first application, the second
            // display kept out of tiling.
            prefs->setGap(between(0, 40));
            const bool floated = chance(0.3);
            prefs->setFloatingApps(floated ? std::vector<std::string>{"com.example.app0"}
                                           : std::vector<std::string>{});
            const bool excluded = chance(0.3);
            prefs->setExcludedDisplays(excluded ? std::vector<std::string>{secondUUID}
                                                : std::vector<std::string>{});
            what << "settings floated=" << floated << " excluded=" << excluded;
        } else {
            what << "nothing";
        }
        const double wait = chance(0.3) ? 0 : between(0, 1.2);
        advance(wait);
        what << ", then " << wait << " s";
        return what.str();
    }
};

TEST_F(EngineRandom, BookkeepingHoldsAfterEveryStep) {
    const std::uint64_t base = seed("EngineRandom");
    const int runs = longRun() ? 200 : 12;
    const int steps = longRun() ? 150 : 60;
    primary = plugPrimary();
    // The runs must really tile, float and park windows, or they prove nothing.
    std::size_t mostTiled = 0;
    std::size_t everFloating = 0;
    std::size_t everDormant = 0;
    for (int run = 0; run < runs; ++run) {
        random.seed(base + static_cast<std::uint64_t>(run));
        // Each run starts on a fresh desktop with its own engine.
        if (run > 0) {
            TearDown();
            for (WindowID id : live())
                desktop.closeWindow(id);
            for (Pid pid : apps)
                desktop.quit(pid);
            if (second) desktop.unplugDisplay(*second);
            if (!primary) primary = plugPrimary();
            desktop.switchWorkspace(1);
            advance(0.1);
        }
        apps.clear();
        opened.clear();
        second.reset();
        prefs->setAnimate(chance(0.7));
        prefs->setPlacement(chance(0.5) ? NewWindowPlacement::end
                                        : NewWindowPlacement::afterFocused);
        for (int i = 0; i < 2; ++i)
            apps.push_back(launch("com.example.app" + std::to_string(apps.size())));
        for (int i = 0, count = 2 + below(5); i < count; ++i) {
            const Pid pid = apps[static_cast<std::size_t>(below(2))];
            const double x = 50.0 + 100 * i;
            if (auto id = desktop.openWindow(pid, sim::makeWindow("Start", {x, 60, 700, 600})))
                opened.push_back(*id);
        }
        startEngine();
        std::vector<std::string> history;
        for (int i = 0; i < steps; ++i) {
            history.push_back(step());
            auto held = engineInvariantsHold(view());
            ASSERT_TRUE(held) << "run " << run << " (seed " << base + run << "), step " << i << ": "
                              << history.back();
            const EngineView state = view();
            const std::size_t untiled = state.floating().size() + state.dormantWindows().size();
            mostTiled = std::max(mostTiled, state.windows().size() - untiled);
            everFloating += state.floating().size();
            everDormant += state.dormantWindows().size();
        }
        settle();
        ASSERT_TRUE(engineInvariantsHold(view())) << "run " << run << " after settling";
    }
    EXPECT_GE(mostTiled, 5u);
    EXPECT_GT(everFloating, 0u);
    EXPECT_GT(everDormant, 0u);
}

}  // namespace
}  // namespace tessarin::test
