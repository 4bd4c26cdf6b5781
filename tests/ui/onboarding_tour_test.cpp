// The first-run tour on the simulated desktop: its steps, the permission poll, the practice and
// what Done records; and the owner of the windows.
#include "ui/onboarding_view.hpp"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QPushButton>

#include "scenario/sim_session.hpp"
#include "support/temp_folder.hpp"
#include "ui/settings_window.hpp"
#include "ui/ui_application.hpp"
#include "ui/ui_windows.hpp"

namespace tessarin {
namespace {

struct Tour {
    QApplication& app = test::uiApplication();
    test::TempFolder home;
    LoginItem loginItem{[this](const std::string& name) -> std::optional<std::string> {
                            if (name == "HOME") return home.path().string();
                            return std::nullopt;
                        },
                        "/usr/bin/tessarin"};
    SimSession session;
    UiContext context{.platform = session.desktop().platform(session.queues()),
                      .prefs = session.preferences(),
                      .engine = session.engine(),
                      .loginItem = &loginItem,
                      .version = "1.0",
                      .showSettings = {},
                      .showOnboarding = {},
                      .quit = {},
                      .showGapPreview = {},
                      .hideGapPreview = {}};
    int finished = 0;
    std::unique_ptr<OnboardingView> view;

    explicit Tour(bool trusted) {
        session.desktop().plugDisplay(sim::makeDisplay("MAIN", {0, 0, 1440, 900}, "Built-in"));
        session.desktop().setTrusted(trusted);
        view = std::make_unique<OnboardingView>(context, [this] { ++finished; });
    }
};

TEST(Onboarding, ContinueWaitsForPermissionWhichStartsTilingUnlessPaused) {
    Tour tour(false);
    OnboardingView& view = *tour.view;
    view.advance();
    ASSERT_EQ(view.step(), 1);
    EXPECT_FALSE(view.primaryButton()->isEnabled());
    view.advance();
    EXPECT_EQ(view.step(), 1);

    view.pollOnce();
    EXPECT_FALSE(tour.session.engine().isRunning());
    // The button asks once and opens the desktop's own place for the permission.
    for (QPushButton* button : view.findChildren<QPushButton*>())
        if (button->text() == "Open Accessibility Settings") button->click();
    EXPECT_EQ(tour.session.desktop().trustPrompts(), 1);
    EXPECT_EQ(tour.session.desktop().openedURLs().size(), 1u);
    tour.session.desktop().setTrusted(true);
    view.pollOnce();
    EXPECT_TRUE(view.trusted());
    EXPECT_TRUE(view.primaryButton()->isEnabled());
    EXPECT_TRUE(tour.session.engine().isRunning());

    // A pause of the user's own outlasts the poll.
    tour.session.engine().stop(true);
    view.pollOnce();
    EXPECT_FALSE(tour.session.engine().isRunning());

    for (int expected : {2, 3, 2, 3}) {
        if (view.step() < expected)
            view.advance();
        else
            view.back();
        EXPECT_EQ(view.step(), expected);
    }
    EXPECT_EQ(view.primaryButton()->text(), "Done");
    EXPECT_EQ(tour.finished, 0);
}

TEST(Onboarding, PracticeTicksPerformedActionsOnceEach) {
    Tour tour(true);
    Bindings bindings = tour.session.preferences().bindings();
    bindings[Action::center].clear();
    tour.session.preferences().setBindings(bindings);
    tour.view = std::make_unique<OnboardingView>(tour.context, [] {});
    const auto& items = tour.view->practice().items();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].keys, "⌃⌥←  ⌃⌥→");
    EXPECT_EQ(items[4].keys, "—");

    WindowManager& engine = tour.session.engine();
    engine.perform(Action::focusRight);
    engine.perform(Action::focusLeft);
    engine.perform(Action::toggleFloat);
    engine.perform(Action::center);
    EXPECT_EQ(tour.view->practice().done(), (std::set<std::string>{"focus", "center"}));
    // The engine outlives the tour.
    tour.view.reset();
    engine.perform(Action::moveLeft);
}

TEST(Onboarding, DoneRecordsTheTourAndFollowsTheLoginToggle) {
    for (bool toggle : {false, true}) {
        Tour tour(true);
        if (!toggle) {
            ASSERT_TRUE(tour.loginItem.registerItem());  // one to remove
        }
        for (int i = 0; i < 3; ++i)
            tour.view->advance();
        tour.view->loginToggle()->setChecked(toggle);
        tour.view->advance();
        EXPECT_EQ(tour.finished, 1);
        EXPECT_TRUE(tour.session.preferences().hasCompletedOnboarding());
        EXPECT_EQ(tour.loginItem.status(),
                  toggle ? LoginItem::Status::enabled : LoginItem::Status::disabled);
    }
}

TEST(Onboarding, WindowsKeepOneSettingsWindowAndRestartTheTour) {
    Tour tour(true);
    UIWindows windows(tour.context);
    windows.showSettings(SettingsTab::apps);
    SettingsWindow* settings = windows.settingsWindow();
    windows.showSettings();
    EXPECT_EQ(windows.settingsWindow(), settings);
    EXPECT_EQ(settings->tab(), SettingsTab::apps);
    EXPECT_TRUE(settings->isVisible());

    windows.showOnboarding();
    OnboardingView* first = windows.onboardingWindow();
    first->advance();
    windows.showOnboarding();
    EXPECT_NE(windows.onboardingWindow(), first);
    EXPECT_EQ(windows.onboardingWindow()->step(), 0);
    EXPECT_FALSE(first->isVisible());
}

}  // namespace
}  // namespace tessarin
