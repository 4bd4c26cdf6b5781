#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "settings/docking_store.hpp"
#include "settings_fixture.hpp"
#include "ui/settings_panes.hpp"
#include "ui/setup_pane.hpp"

namespace tessarin::test {
namespace {

using SettingsWindowTest = SettingsFixture;

TEST_F(SettingsWindowTest, EveryToggleWritesItsPreferenceAndFollowsIt) {
    struct Row {
        const char* name;
        bool (Preferences::*get)() const;
        void (Preferences::*set)(bool);
    };
    const Row rows[] = {
        {"rememberLayout", &Preferences::rememberLayout, &Preferences::setRememberLayout},
        {"dockingMemory", &Preferences::dockingMemory, &Preferences::setDockingMemory},
        {"showIndicator", &Preferences::showIndicator, &Preferences::setShowIndicator},
        {"focusBorder", &Preferences::focusBorder, &Preferences::setFocusBorder},
        {"mouseFollowsFocus", &Preferences::mouseFollowsFocus, &Preferences::setMouseFollowsFocus},
        {"animate", &Preferences::animate, &Preferences::setAnimate},
        {"keepOriginalWidth", &Preferences::keepOriginalWidth, &Preferences::setKeepOriginalWidth},
        {"gesturesEnabled", &Preferences::gesturesEnabled, &Preferences::setGesturesEnabled},
        {"naturalSwipe", &Preferences::naturalSwipe, &Preferences::setNaturalSwipe},
        {"modifierScroll", &Preferences::modifierScroll, &Preferences::setModifierScroll},
    };
    Preferences& p = prefs;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* toggle = find<QCheckBox>(row.name);
        const bool before = (p.*row.get)();
        ASSERT_EQ(toggle->isChecked(), before);
        toggle->click();
        EXPECT_EQ((p.*row.get)(), !before);
        (p.*row.set)(before);
        session.runPending();
        EXPECT_EQ(toggle->isChecked(), before);
    }
}

TEST_F(SettingsWindowTest, EverySliderAndPickerWritesItsPreferenceAndFollowsIt) {
    struct Row {
        const char* name;
        int control;       // moved to this
        double written;    // the preference then
        double elsewhere;  // the preference set from outside
        int shown;         // the control then
        std::function<double()> read;
        std::function<void(double)> write;
    };
    Preferences& p = prefs;
    auto number = [&p](double (Preferences::*get)() const, void (Preferences::*set)(double)) {
        return std::pair<std::function<double()>, std::function<void(double)>>{
            [&p, get] { return (p.*get)(); }, [&p, set](double v) { (p.*set)(v); }};
    };
    auto [gapR, gapW] = number(&Preferences::gap, &Preferences::setGap);
    auto [outerR, outerW] = number(&Preferences::outerGap, &Preferences::setOuterGap);
    auto [borderR, borderW] =
        number(&Preferences::focusBorderWidth, &Preferences::setFocusBorderWidth);
    auto [speedR, speedW] = number(&Preferences::animationSpeed, &Preferences::setAnimationSpeed);
    auto [senseR, senseW] =
        number(&Preferences::gestureSensitivity, &Preferences::setGestureSensitivity);
    auto [fwR, fwW] = number(&Preferences::focusWidth, &Preferences::setFocusWidth);
    auto [fhR, fhW] = number(&Preferences::focusHeight, &Preferences::setFocusHeight);
    const Row sliders[] = {
        {"gap", 17, 17, 4, 4, gapR, gapW},
        {"outerGap", 0, 0, 40, 40, outerR, outerW},
        {"focusBorderWidth", 6, 6, 2, 2, borderR, borderW},
        {"animationSpeed", 200, 2.0, 0.75, 75, speedR, speedW},
        {"gestureSensitivity", 40, 0.4, 2.5, 250, senseR, senseW},
        {"focusWidth", 85, 0.85, 0.6, 60, fwR, fwW},
        {"focusHeight", 55, 0.55, 1.0, 100, fhR, fhW},
    };
    for (const Row& row : sliders) {
        SCOPED_TRACE(row.name);
        auto* named = find(row.name);
        auto* slider = qobject_cast<QSlider*>(named);
        if (!slider) slider = named->findChild<QSlider*>();
        slider->setValue(row.control);
        EXPECT_NEAR(row.read(), row.written, 1e-9);
        row.write(row.elsewhere);
        session.runPending();
        EXPECT_EQ(slider->value(), row.shown);
    }
    EXPECT_EQ(find<PercentSlider>("focusHeight")->valueText(), "100%");
    EXPECT_EQ(find<LabeledSlider>("outerGap")->valueText(), "40 pt");

    struct Pick {
        const char* name;
        int index;
        std::function<int()> read;  // the preference's position among the choices
        std::function<void()> elsewhere;
        int shown;
    };
    const Pick pickers[] = {
        {"placement", 1, [&] { return static_cast<int>(prefs.placement()); },
         [&] { prefs.setPlacement(NewWindowPlacement::afterFocused); }, 0},
        {"centerMode", 2, [&] { return static_cast<int>(prefs.centerMode()); },
         [&] { prefs.setCenterMode(CenterMode::onOverflow); }, 1},
        {"defaultWidth", 3, [&] { return prefs.defaultWidth() == 2.0 / 3 ? 3 : -1; },
         [&] { prefs.setDefaultWidth(0.3334); }, 1},
        {"baseModifier", 3, [&] { return prefs.baseModifier() == 0x1900 ? 3 : -1; },
         [&] { prefs.setBaseModifier(0x900); }, 1},
    };
    for (const Pick& pick : pickers) {
        SCOPED_TRACE(pick.name);
        auto* picker = find<QComboBox>(pick.name);
        picker->setCurrentIndex(pick.index);
        EXPECT_EQ(pick.read(), pick.index);
        pick.elsewhere();
        session.runPending();
        EXPECT_EQ(picker->currentIndex(), pick.shown);
    }
    // The base modifier carries the bindings over.
    EXPECT_EQ(prefs.bindings().at(Action::focusLeft).front().modifiers, 0x900u);

    find<QRadioButton>("gestureFingers:4")->click();
    EXPECT_EQ(prefs.gestureFingers(), 4);
    prefs.setGestureFingers(3);
    session.runPending();
    EXPECT_TRUE(find<QRadioButton>("gestureFingers:3")->isChecked());
}

TEST_F(SettingsWindowTest, DependentRowsShowOnlyWhileTheirToggleAllows) {
    struct Row {
        const char* toggle;
        const char* dependent;
        bool shownWhenOn;
    };
    for (const Row& row :
         {Row{"focusBorder", "focusBorderWidth", true}, Row{"animate", "animationSpeed", true},
          Row{"keepOriginalWidth", "defaultWidth", false},
          Row{"gesturesEnabled", "gestureSensitivity", true}}) {
        SCOPED_TRACE(row.toggle);
        auto* toggle = find<QCheckBox>(row.toggle);
        for (bool on : {true, false}) {
            toggle->setChecked(on);
            session.runPending();
            EXPECT_EQ(find(row.dependent)->isHidden(), on != row.shownWhenOn);
        }
    }
}

TEST_F(SettingsWindowTest, AGapDragPreviewsAndWritesOnceOnRelease) {
    prefs.setGap(8);
    prefs.setOuterGap(12);
    session.runPending();
    int writes = 0;
    prefs.willChange.connect([&](std::string_view key) { writes += key == "gap"; });
    auto* gap = find<LabeledSlider>("gap");
    QSlider* slider = gap->slider();

    slider->setSliderDown(true);
    slider->setValue(20);
    EXPECT_EQ(prefs.gap(), 8);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(gap->valueText(), "20 pt");
    ASSERT_FALSE(previews.empty());
    EXPECT_EQ(previews.back().caption, "Gap between windows: 20 pt");
    EXPECT_EQ(previews.back().gap, 20);
    EXPECT_EQ(previews.back().outer, 12);
    slider->setSliderDown(false);
    EXPECT_EQ(prefs.gap(), 20);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(hides, 1);

    // Back where it started: nothing written.
    slider->setSliderDown(true);
    slider->setValue(25);
    slider->setValue(20);
    slider->setSliderDown(false);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(hides, 2);

    auto* outer = find<LabeledSlider>("outerGap")->slider();
    outer->setSliderDown(true);
    outer->setValue(3);
    EXPECT_EQ(previews.back().caption, "Gap at screen edges: 3 pt");
    EXPECT_EQ(previews.back().gap, 20);
    outer->setSliderDown(false);
    EXPECT_EQ(prefs.outerGap(), 3);

    // A press on the groove (beside the handle) steps the value before the slider is held:
    // that too is a draft until the release.
    gap->resize(220, 30);
    slider->resize(170, 30);
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(165, 15));
    EXPECT_EQ(prefs.gap(), 20);
    EXPECT_GT(slider->value(), 20);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(165, 15));
    EXPECT_EQ(prefs.gap(), slider->value());
    EXPECT_EQ(writes, 2);
}

TEST_F(SettingsWindowTest, WidthPresetsToggleWithinTolerance) {
    prefs.setWidthPresets({0.3334, 0.5});
    session.runPending();
    auto* third = find<QCheckBox>("widthPresets:1");
    auto* half = find<QCheckBox>("widthPresets:2");
    EXPECT_TRUE(third->isChecked());
    EXPECT_TRUE(half->isChecked());
    EXPECT_FALSE(find<QCheckBox>("widthPresets:0")->isChecked());

    find<QCheckBox>("widthPresets:5")->click();
    EXPECT_EQ(prefs.widthPresets(), (std::vector<double>{0.3334, 0.5, 1.0}));
    third->click();
    EXPECT_EQ(prefs.widthPresets(), (std::vector<double>{0.5, 1.0}));
    third->click();
    EXPECT_EQ(prefs.widthPresets(), (std::vector<double>{1.0 / 3, 0.5, 1.0}));
    for (const char* name : {"widthPresets:1", "widthPresets:2", "widthPresets:5"})
        find<QCheckBox>(name)->click();
    EXPECT_TRUE(prefs.widthPresets().empty());
    EXPECT_EQ(prefs.store().object("widthPresets"), nlohmann::json::array());

    auto* focus = find<QGroupBox>("focusModeSection");
    EXPECT_EQ(focus->title(), QString::fromUtf8("Focus mode (⌃⌥Z)"));
    prefs.setBindings({{Action::focusMode, {KeyCombo{3, 0x1900}}}});
    session.runPending();
    EXPECT_EQ(focus->title(), QString::fromUtf8("Focus mode (⌃⌥⌘F)"));
}

TEST(SettingsTextTest, WidthAndTimeLabels) {
    const std::pair<double, const char*> widths[] = {
        {1.0 / 3, "One third (33%)"},
        {0.3334, "One third (33%)"},
        {0.6660, "Two thirds (67%)"},
        {0.25, "Quarter (25%)"},
        {0.5, "Half (50%)"},
        {0.75, "Three quarters (75%)"},
        {1.0, "Full width (100%)"},
        {0.4299, "42%"},
        {0.332, "33%"},
    };
    for (const auto& [x, text] : widths)
        EXPECT_EQ(percent(x), text) << x;
    const std::pair<double, const char*> times[] = {
        {30, "now"},
        {120, "2 minutes ago"},
        {3600, "1 hour ago"},
        {86400, "yesterday"},
        {3 * 86400, "3 days ago"},
        {-2 * 604800, "in 2 weeks"},
        {400 * 86400, "last year"},
    };
    for (const auto& [ago, text] : times)
        EXPECT_EQ(relativeTime(1000, 1000 + ago), text) << ago;
    EXPECT_EQ(gapCaption(false, 19.6), "Gap between windows: 20 pt");
}

TEST_F(SettingsWindowTest, ForgettingASetupRemovesItFromStoreAndList) {
    DockingStore store(prefs.store());
    SavedArrangement older, newer;
    SavedColumn column;
    column.windows = {{1, "a", "x"}, {2, "a", "y"}};
    older.displays["A"] = {column};
    older.displayNames["A"] = "Left";
    older.savedAt = 100;
    newer.savedAt = 200;
    ASSERT_TRUE(store.write({{"old", older}, {"new", newer}}));
    auto* list = find<MonitorSetupsList>("monitorSetups");
    list->reload();
    EXPECT_EQ(list->keys(), (std::vector<std::string>{"new", "old"}));
    find<QPushButton>("forget:new")->click();
    EXPECT_EQ(list->keys(), (std::vector<std::string>{"old"}));
    EXPECT_EQ(store.all().count("new"), 0u);
    EXPECT_EQ(store.all().count("old"), 1u);
}

TEST_F(SettingsWindowTest, AppsAndDisplays) {
    auto& desktop = session.desktop();
    for (const char* uuid : {"uuid-a", "uuid-b"}) {
        sim::DisplaySetup display;
        display.uuid = uuid;
        display.frame = {display.uuid == "uuid-a" ? 0.0 : 1920.0, 0, 1920, 1080};
        desktop.plugDisplay(display);
    }
    session.runPending();
    find<QCheckBox>("display:uuid-b")->click();
    EXPECT_EQ(prefs.excludedDisplays(), (std::vector<std::string>{"uuid-b"}));
    prefs.setExcludedDisplays({"uuid-a"});
    session.runPending();
    EXPECT_FALSE(find<QCheckBox>("display:uuid-a")->isChecked());
    EXPECT_TRUE(find<QCheckBox>("display:uuid-b")->isChecked());

    std::vector<RunningApplication> running;
    for (auto [pid, name] : {std::pair{1, "zed"}, {2, "Tool"}, {3, "Alpha"}, {4, "Self"}}) {
        running.emplace_back();
        running.back().pid = pid;
        running.back().bundleID = std::string("org.") + name;
        running.back().localizedName = name;
        if (pid == 2) running.back().activationPolicy = ActivationPolicy::accessory;
    }
    std::vector<std::string> offered;
    for (const auto& app : floatingCandidates(running, 4))
        offered.push_back(*app.bundleID);
    EXPECT_EQ(offered, (std::vector<std::string>{"org.Alpha", "org.zed"}));

    prefs.setFloatingApps({"org.a", "org.b", "org.a"});
    session.runPending();
    find<QPushButton>("removeFloating:org.a")->click();
    EXPECT_EQ(prefs.floatingApps(), (std::vector<std::string>{"org.b"}));
}

TEST_F(SettingsWindowTest, ALoginItemThatCannotChangeShowsItsRealState) {
    LoginItem item([](const std::string&) { return std::nullopt; }, "/usr/bin/tessarin");
    context.loginItem = &item;
    SettingsWindow withLogin(context);
    auto* toggle = withLogin.findChild<QCheckBox*>("login");
    ASSERT_NE(toggle, nullptr);
    toggle->click();
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(window.findChild<QCheckBox*>("login"), nullptr);
}

TEST_F(SettingsWindowTest, TheSetupPaneFollowsTheDesktopsSettings) {
    auto* pane = static_cast<SetupPane*>(window.pane(SettingsTab::setup));
    auto has = [&](const std::string& id) {
        for (const auto& finding : pane->findings())
            if (finding.id == id) return true;
        return false;
    };
    EXPECT_FALSE(has("stage"));
    session.desktop().setSystemPreference("com.apple.WindowManager", "GloballyEnabled", true);
    EXPECT_FALSE(has("stage"));
    pane->refresh();
    ASSERT_TRUE(has("stage"));
    EXPECT_NE(pane->findChild<QPushButton*>("fix:stage"), nullptr);
    session.desktop().removeSystemPreference("com.apple.WindowManager", "GloballyEnabled");
    pane->refresh();
    EXPECT_FALSE(has("stage"));
}

TEST_F(SettingsWindowTest, TheWindowKeepsItsTab) {
    EXPECT_EQ(window.windowTitle(), "Tessarin Settings");
    EXPECT_EQ(window.minimumSize(), QSize(720, 500));
    window.showTab(SettingsTab::setup);
    EXPECT_EQ(window.tab(), SettingsTab::setup);
    EXPECT_EQ(find<QListWidget>("sidebar")->currentRow(), 5);
    find<QListWidget>("sidebar")->setCurrentRow(1);
    EXPECT_EQ(window.tab(), SettingsTab::layout);
    window.present();
    EXPECT_EQ(window.tab(), SettingsTab::layout);
    for (SettingsTab tab : allSettingsTabs) {
        window.present(tab);
        EXPECT_FALSE(window.grab().isNull());
    }
}

}  // namespace
}  // namespace tessarin::test
