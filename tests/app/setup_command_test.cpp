#include "app/setup_command.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "backends/sim/sim_desktop.hpp"
#include "base/memory_store.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin {
namespace {

// The exit status says whether anything above a note was found; the text is the findings'.
TEST(SetupCommand, StatusFollowsTheMostSeriousFinding) {
    struct Case {
        bool trusted;
        bool edgeTiling;    // a note only
        bool stageManager;  // a warning
        int status;
        std::string firstLine;
    };
    for (const Case& c :
         {Case{true, false, false, 0, "Nothing on this desktop fights Tessarin."},
          Case{true, true, false, 0, "info: macOS edge tiling is on"},
          Case{true, false, true, 2, "warning: Stage Manager is on"},
          Case{false, false, false, 2, "blocking: Accessibility permission is missing"}}) {
        VirtualLoop loop;
        sim::SimDesktop desktop(loop);
        desktop.setTrusted(c.trusted);
        desktop.setSystemPreference("com.apple.WindowManager", "EnableTilingByEdgeDrag",
                                    c.edgeTiling);
        desktop.setSystemPreference("com.apple.WindowManager", "GloballyEnabled", c.stageManager);
        MemoryStore store;
        Preferences prefs(store);
        std::ostringstream out;
        EXPECT_EQ(printSetupCheck(desktop.setupCheck(), prefs, out), c.status);
        EXPECT_EQ(out.str().substr(0, out.str().find('\n')), c.firstLine);
    }
}

TEST(SetupCommand, ADisplayThatCannotBeOpenedIsReported) {
    MemoryStore store;
    Preferences prefs(store);
    std::ostringstream out, err;
    EXPECT_EQ(printSetupCheck(":none", prefs, out, err), kSetupCannotRun);
    EXPECT_NE(err.str().find("cannot open X display"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace tessarin
