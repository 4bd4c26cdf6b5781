#include "engine/engine_view.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace tessarin::test {
namespace {

// Windows 1 tiled on MAIN, 2 floating, 3 dormant, 4 waiting in SIDE's kept strip while no
// display is connected.
struct Held {
    EngineState state;
    EngineRun run;

    Held() {
        state.isRunning = true;
        for (WindowID id : {1u, 2u, 3u, 4u})
            run.windows[id].display = id == 4 ? "SIDE" : "MAIN";
        run.strips["MAIN"] = Strip({Column({1}, 0.5)});
        run.floating.insert(2);
        run.dormant[3].displayUUID = "MAIN";
        run.detached["SIDE"] = Strip({Column({4}, 0.5)});
    }
    EngineView view() const { return EngineView(state, run); }
};

TEST(EngineView, NamesTheOnePlaceAWindowIsHeldIn) {
    Held held;
    held.run.windows[5].display = "MAIN";
    const std::pair<WindowID, WindowRole> expected[] = {
        {1, WindowRole::tiled},    {2, WindowRole::floating}, {3, WindowRole::dormant},
        {4, WindowRole::detached}, {5, WindowRole::lost},     {6, WindowRole::unknown}};
    for (const auto& [id, role] : expected)
        EXPECT_EQ(held.view().role(id), role) << id;
}

// The check that the randomized tests lean on must see every kind of slip.
TEST(EngineView, BookkeepingFaultsAreFoundAndNamed) {
    ASSERT_EQ(Held().view().bookkeepingFault(), std::nullopt);

    const std::pair<std::function<void(Held&)>, std::string> slips[] = {
        {[](Held& h) { h.run.strips["MAIN"].insertColumn(2, 0.5, 0, false); },
         "window 2 is in 2 places (tiled, floating, dormant)"},
        {[](Held& h) { h.run.strips["OTHER"] = Strip({Column({1}, 0.5)}); },
         "window 1 is in two strips"},
        {[](Held& h) { h.run.strips["MAIN"].insertColumn(9, 0.5, 0, false); },
         "unknown window 9 in the strip of MAIN"},
        {[](Held& h) { h.run.windows[1].display = "SIDE"; },
         "window 1 is in the strip of MAIN but said to be on SIDE"},
        {[](Held& h) { h.run.floating.erase(2); },
         "window 2 is in 0 places (tiled, floating, dormant)"},
        {[](Held& h) { h.state.displays.push_back(Display{}); },
         "window 4 is in 0 places (tiled, floating, dormant)"},
        {[](Held& h) { h.run.windows[3].display.reset(); }, "window 3 has no display"},
        {[](Held& h) { h.run.windows[3].missCount = 1; }, "untiled window 3 has misses"},
        {[](Held& h) { h.run.pendingMoves.insert(8); }, "pendingMoves keeps unknown window 8"},
        {[](Held& h) { h.run.minHeights.insertOrAssign(8, 300); },
         "minHeights keeps unknown window 8"},
        {[](Held& h) { h.run.fullscreenManaged.insert(1); }, "full-screen window 1 is not dormant"},
        {[](Held& h) { h.state.isRunning = false; }, "a stopped engine knows windows"},
    };
    for (const auto& [slip, fault] : slips) {
        Held held;
        slip(held);
        EXPECT_EQ(held.view().bookkeepingFault(), fault);
    }
}

}  // namespace
}  // namespace tessarin::test
