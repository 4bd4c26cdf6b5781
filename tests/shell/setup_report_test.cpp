#include "shell/setup_report.hpp"

#include <gtest/gtest.h>

#include "base/memory_store.hpp"

namespace tessarin {
namespace {

TEST(SetupReport, OneParagraphPerFindingWithFixAndSource) {
    const std::vector<SetupFinding> findings = {
        {"ax", Severity::blocking, "Permission", "Needed.", "Open", [] {}, "AXIsProcessTrusted"},
        {"wm", Severity::warning, "i3 tiles", "Both move windows.", std::nullopt, std::nullopt, ""},
        {"compositor", Severity::info, "No compositor", "Opaque.", std::nullopt, std::nullopt,
         "_NET_WM_CM_S0 selection owner"},
    };
    EXPECT_EQ(formatSetupFindings(findings),
              "blocking: Permission\n  Needed.\n  fix: Open\n  (read from AXIsProcessTrusted)\n"
              "\nwarning: i3 tiles\n  Both move windows.\n"
              "\ninfo: No compositor\n  Opaque.\n  (read from _NET_WM_CM_S0 selection owner)\n");
    EXPECT_EQ(formatSetupFindings({}), "Nothing on this desktop fights Tessarin.\n");
}

TEST(SetupReport, ContextFollowsAndWritesTheGestureSettings) {
    MemoryStore store;
    Preferences prefs(store);
    prefs.setGesturesEnabled(false);
    prefs.setGestureFingers(4);
    const SetupContext context = setupContext(prefs);
    EXPECT_FALSE(context.gesturesEnabled);
    EXPECT_EQ(context.gestureFingers, 4);
    context.setGestureFingers(3);
    EXPECT_EQ(prefs.gestureFingers(), 3);
}

}  // namespace
}  // namespace tessarin
