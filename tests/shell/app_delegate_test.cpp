// The launch, the wait for permission and the automation URLs, on the simulated desktop.
#include "shell/app_delegate.hpp"

#include <gtest/gtest.h>

#include "scenario/sim_session.hpp"

namespace tessarin {
namespace {

struct Windows : AppWindows {
    int settings = 0;
    int tours = 0;
    void showSettings() override { ++settings; }
    void showOnboarding() override { ++tours; }
};

struct Status : StatusMenu {
    int refreshes = 0;
    void refresh() override { ++refreshes; }
};

struct Launch {
    SimSession session;
    Windows windows;
    Status status;
    AppDelegate app{{.platform = session.desktop().platform(session.queues()),
                     .prefs = session.preferences(),
                     .engine = session.engine(),
                     .hotKeys = &session.hotKeys(),
                     .windows = &windows,
                     .status = &status,
                     .ownPid = 1}};

    explicit Launch(bool trusted, bool toured = true) {
        session.desktop().plugDisplay(sim::makeDisplay("MAIN", {0, 0, 1440, 900}, "Built-in"));
        session.desktop().setTrusted(trusted);
        session.preferences().setHasCompletedOnboarding(toured);
        app.finishLaunching("1.2", "Debian GNU/Linux 12 (bookworm)");
        session.runPending();
    }
    bool running() { return session.engine().isRunning(); }
    bool logged(const std::string& text) {
        for (const auto& line : session.log())
            if (line.text == text) return true;
        return false;
    }
};

TEST(AppDelegate, PreflightMigratesFirstAndNamesTheOtherCopy) {
    SimSession session;  // watches the log
    std::vector<std::string> order;
    const auto steps = [&](std::optional<std::string> other) {
        return Preflight{.migrate = [&] { order.push_back("migrate"); },
                         .otherCopy =
                             [&order, other] {
                                 order.push_back("check");
                                 return other;
                             }};
    };
    EXPECT_TRUE(AppDelegate::preflight(steps(std::nullopt)));
    EXPECT_FALSE(AppDelegate::preflight(steps("/usr/bin/tessarin")));
    EXPECT_FALSE(AppDelegate::preflight(steps("")));
    EXPECT_EQ(order, (std::vector<std::string>{"migrate", "check", "migrate", "check", "migrate",
                                               "check"}));
    std::vector<std::string> lines;
    for (const auto& line : session.log())
        lines.push_back(line.text);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "another copy is already running (/usr/bin/tessarin), quitting this one",
                         "another copy is already running (?), quitting this one"}));
}

TEST(AppDelegate, TourWhenNotCompletedOrNotTrusted) {
    const struct {
        bool trusted, toured;
        int tours;
    } cases[] = {{true, true, 0}, {true, false, 1}, {false, true, 1}, {false, false, 1}};
    for (const auto& c : cases) {
        Launch launch(c.trusted, c.toured);
        EXPECT_EQ(launch.windows.tours, c.tours) << c.trusted << c.toured;
        EXPECT_EQ(launch.running(), c.trusted);
        EXPECT_TRUE(launch.logged(std::string("launch 1.2 trusted=") +
                                  (c.trusted ? "true" : "false") +
                                  " Debian GNU/Linux 12 (bookworm)"));
    }
}

TEST(AppDelegate, WaitsForPermissionOnceASecondAndAgainWhenLost) {
    Launch launch(false);
    EXPECT_TRUE(launch.app.waitingForPermission());
    launch.session.advance(3);
    EXPECT_FALSE(launch.running());
    launch.session.desktop().setTrusted(true);
    const int refreshes = launch.status.refreshes;
    launch.session.advance(1.0);
    EXPECT_TRUE(launch.running()) << "within a second";
    EXPECT_FALSE(launch.app.waitingForPermission());
    EXPECT_GT(launch.status.refreshes, refreshes);

    // Taken away while running: the tour again, and the wait.
    launch.session.desktop().setTrusted(false);
    launch.session.advance(2.1);
    EXPECT_FALSE(launch.running());
    EXPECT_EQ(launch.windows.tours, 2);
    EXPECT_TRUE(launch.app.waitingForPermission());
    launch.session.desktop().setTrusted(true);
    launch.session.advance(1.0);
    EXPECT_TRUE(launch.running());

    launch.app.willTerminate();
    EXPECT_FALSE(launch.running());
    EXPECT_FALSE(launch.session.engine().isPaused());
}

TEST(AppDelegate, UrlsRunTheirCommandAndNothingElse) {
    Launch launch(false);
    launch.app.handleURL("tessarin://settings");
    EXPECT_EQ(launch.windows.settings, 1) << "settings open while the engine waits";
    launch.session.desktop().setTrusted(true);
    launch.session.advance(1.0);
    const struct {
        std::string url;
        bool runs;
    } cases[] = {
        {"tessarin://toggleTiling", true},
        {"tessarin:///toggleTiling", true},
        {"tessarin://toggleTiling/x", true},
        {"tessarin:toggleTiling", false},
        {"tessarin://ToggleTiling", false},
        {"tessarin://toggletiling", false},
        {"", false},
        {"tessarin://tog%67leTiling", true},
        {"tessarin://toggle Tiling", false},
        {"tessarin://nothing", false},
        {"tessarin://toggleTiling%00", false},
        {"tessarin://\xfftoggleTiling", false},
    };
    for (const auto& c : cases) {
        const bool before = launch.session.engine().isPaused();
        launch.app.handleURL(c.url);
        launch.session.runPending();
        EXPECT_EQ(launch.session.engine().isPaused() != before, c.runs) << c.url;
    }
    EXPECT_EQ(launch.windows.settings, 1);

    launch.session.desktop().setPointer({100.7, 200.6});
    launch.app.handleURL("tessarin://hittest");
    launch.session.runPending();
    bool logged = false;
    for (const auto& line : launch.session.log())
        logged = logged || line.text.rfind("hittest at 100,200: ", 0) == 0;
    EXPECT_TRUE(logged) << launch.session.log().back().text;
}

}  // namespace
}  // namespace tessarin
