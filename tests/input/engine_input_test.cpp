// The engine's input as the settings configure it, on the simulated desktop.
#include "input/engine_input.hpp"

#include <gtest/gtest.h>

#include "scenario/sim_session.hpp"

namespace tessarin {
namespace {

InputEvent wheel(std::uint64_t flags) {
    InputEvent event;
    event.type = InputEventType::scrollWheel;
    event.pointDelta1 = 1;
    event.flags = flags;
    return event;
}

TEST(EngineInput, SettingsStartStopAndShapeTheTaps) {
    SimSession session;
    sim::SimInput& input = session.desktop().input();
    session.desktop().plugDisplay(sim::makeDisplay("MAIN", {0, 0, 1440, 900}, "Built-in"));
    session.engine().start();
    session.runPending();
    EXPECT_EQ(input.tapThreads(), (std::vector<std::string>{"Tessarin swipe", "Tessarin scroll"}));
    EXPECT_EQ(input.enabledTaps(), 2);

    // The scroll takes exactly the base modifiers, shift not carried over.
    session.preferences().setBaseModifier(ModifierMask::command | ModifierMask::option |
                                          ModifierMask::shift);
    session.advance(0.1);
    EXPECT_FALSE(input.send(wheel(EventFlags::command | EventFlags::option)));
    EXPECT_TRUE(input.send(wheel(EventFlags::control | EventFlags::option)));

    session.preferences().setModifierScroll(false);
    session.preferences().setGesturesEnabled(false);
    session.advance(0.1);
    EXPECT_EQ(input.liveTaps(), 0);

    // A tap the system would not give comes back at the next health check.
    input.setTapsRefused(true);
    session.preferences().setGesturesEnabled(true);
    session.advance(0.1);
    EXPECT_FALSE(session.input().swipeTapInstalled());
    input.setTapsRefused(false);
    session.advance(2);
    EXPECT_TRUE(session.input().swipeTapInstalled());
    EXPECT_FALSE(session.input().scrollTapInstalled());

    session.engine().stop(false);
    EXPECT_EQ(input.liveTaps(), 0);
}

TEST(EngineInput, DiagnosticsNameRefusedShortcuts) {
    SimSession session;
    session.desktop().input().takeCombination(123, ModifierMask::control | ModifierMask::option);
    session.hotKeys().registerAll();
    EXPECT_EQ(session.input().diagnostics().refusedShortcuts, std::vector<std::string>{"⌃⌥←"});
}

}  // namespace
}  // namespace tessarin
