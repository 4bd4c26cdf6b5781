// The status menu on the simulated desktop: what it lists in each state and what its items do.
#include "ui/status_bar.hpp"

#include <gtest/gtest.h>

#include "scenario/sim_session.hpp"
#include "ui/ui_application.hpp"

namespace tessarin {
namespace {

using Lines = std::vector<std::string>;

struct Menu {
    QApplication& app = test::uiApplication();
    SimSession session;
    Lines calls;
    std::vector<Action> performed;
    UiContext context{
        .platform = session.desktop().platform(session.queues()),
        .prefs = session.preferences(),
        .engine = session.engine(),
        .version = "1.0",
        .showSettings =
            [this](std::optional<SettingsTab> tab) {
                calls.push_back("settings " + std::string(tab ? title(*tab) : "current"));
            },
        .showOnboarding = [this] { calls.push_back("tour"); },
        .quit = [this] { calls.push_back("quit"); },
        .showGapPreview = {},
        .hideGapPreview = {}};
    StatusBarController bar{context};

    // "trusted", "running", "paused"
    explicit Menu(const std::string& state) {
        session.desktop().plugDisplay(sim::makeDisplay("MAIN", {0, 0, 1440, 900}, "Built-in"));
        session.desktop().setTrusted(state != "untrusted");
        session.engine().addActionObserver([this](Action a) { performed.push_back(a); });
        session.engine().start();
        if (state == "paused") session.engine().stop(true);
        session.runPending();
        bar.rebuild();
    }
    // Each item as a line: its text, then " -" when disabled, " [x]"/" [ ]" when checkable,
    // " >" for a submenu; "---" for a separator.
    static Lines lines(QMenu& menu) {
        Lines out;
        for (QAction* item : menu.actions()) {
            std::string line = item->isSeparator() ? "---" : item->text().toStdString();
            if (!item->isEnabled()) line += " -";
            if (item->isCheckable()) line += item->isChecked() ? " [x]" : " [ ]";
            if (item->menu()) line += " >";
            out.push_back(line);
        }
        return out;
    }
    QMenu& shortcuts() { return *bar.menu().actions()[lines(bar.menu()).size() - 7]->menu(); }
    QAction* item(QMenu& menu, const std::string& text) {
        for (QAction* item : menu.actions())
            if (item->text().toStdString() == text) return item;
        ADD_FAILURE() << "no item " << text;
        return nullptr;
    }
    Lines logSince(std::size_t from) {
        Lines out;
        for (const auto& line : session.logSince(from))
            out.push_back(line.text);
        return out;
    }
};

const Lines kTail = {"Shortcuts >",   "---", "Settings…",    "Desktop Setup Check…",
                     "Welcome Tour…", "---", "Quit Tessarin"};

TEST(StatusMenu, ListsTheCommandsOfEachState) {
    const struct {
        std::string state;
        Lines head;
    } cases[] = {
        {"untrusted", {"Tessarin: Needs Accessibility permission -", "---", "Grant Permission…"}},
        {"running",
         {"Tessarin: Tiling is on -", "---", "Pause Tiling\t⌃⌥Q", "Re-arrange All Windows",
          "Show Overview\t⌃⌥Space", "Focus Mode\t⌃⌥Z [ ]"}},
        {"paused",
         {"Tessarin: Tiling is paused -", "---", "Resume Tiling\t⌃⌥Q", "Re-arrange All Windows -",
          "Show Overview\t⌃⌥Space -", "Focus Mode\t⌃⌥Z - [ ]"}},
    };
    for (const auto& c : cases) {
        Menu menu(c.state);
        Lines expected = c.head;
        expected.insert(expected.end(), kTail.begin(), kTail.end());
        EXPECT_EQ(Menu::lines(menu.bar.menu()), expected) << c.state;
        // Rebuilding replaces the items rather than adding to them.
        menu.bar.rebuild();
        EXPECT_EQ(Menu::lines(menu.bar.menu()).size(), expected.size());
    }
    Menu menu("running");
    // Offscreen there is no tray to show the icon in.
    EXPECT_EQ(menu.logSince(0).at(0),
              "no system tray: the menu is not shown; use tessarin msg or the settings window");
    menu.session.engine().perform(Action::focusMode);
    menu.bar.rebuild();
    EXPECT_EQ(Menu::lines(menu.bar.menu())[5], "Focus Mode\t⌃⌥Z [x]");
}

TEST(StatusMenu, ShortcutsListEveryGroupWithTheFirstBindingOnly) {
    Menu menu("running");
    Bindings bindings = menu.session.preferences().bindings();
    bindings[Action::focusLeft].insert(bindings[Action::focusLeft].begin(),
                                       KeyCombo{0, defaultBaseModifier});  // A, before ←
    bindings[Action::showOverview].clear();
    menu.session.preferences().setBindings(bindings);
    menu.bar.rebuild();
    const Lines shortcuts = Menu::lines(menu.shortcuts());
    ASSERT_EQ(shortcuts.size(), 5 + 31 + 5 + 1u);
    EXPECT_EQ(shortcuts[0], "Move focus -");
    EXPECT_EQ(shortcuts[1], "Focus window on the left\t⌃⌥A");
    EXPECT_EQ(shortcuts[7], "---");
    EXPECT_EQ(shortcuts[8], "Move windows -");
    EXPECT_EQ(shortcuts.back(), "Change Shortcuts…");
    const auto at = [&](const std::string& prefix) {
        for (const auto& line : shortcuts)
            if (line.rfind(prefix, 0) == 0) return line;
        return std::string();
    };
    EXPECT_EQ(at("Show strip overview"), "Show strip overview\t");
    EXPECT_EQ(at("Re-arrange all windows"), "Re-arrange all windows\t");
    EXPECT_EQ(Menu::lines(menu.bar.menu())[4], "Show Overview");
}

TEST(StatusMenu, FiredItemsLogTheirTitleAndRunTheirHandler) {
    const struct {
        std::string state, item, call;
        bool runningAfter;
    } cases[] = {
        {"untrusted", "Grant Permission…", "tour", false},
        {"running", "Pause Tiling\t⌃⌥Q", "", false},
        {"paused", "Resume Tiling\t⌃⌥Q", "", true},
        {"running", "Settings…", "settings current", true},
        {"running", "Desktop Setup Check…", "settings Desktop Setup", true},
        {"running", "Welcome Tour…", "tour", true},
        {"running", "Quit Tessarin", "quit", true},
    };
    for (const auto& c : cases) {
        Menu menu(c.state);
        const std::size_t from = menu.session.logSize();
        menu.item(menu.bar.menu(), c.item)->trigger();
        EXPECT_EQ(menu.logSince(from).at(0), "menu: " + c.item);
        EXPECT_EQ(menu.calls, c.call.empty() ? Lines{} : Lines{c.call}) << c.item;
        EXPECT_EQ(menu.session.engine().isRunning(), c.runningAfter) << c.item;
    }
    Menu menu("running");
    const std::size_t from = menu.session.logSize();
    menu.item(menu.bar.menu(), "Re-arrange All Windows")->trigger();
    const Lines log = menu.logSince(from);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "stopping (paused: false)");
    EXPECT_EQ(log[2].rfind("started: ", 0), 0u);
    menu.item(menu.shortcuts(), "Change Shortcuts…")->trigger();
    EXPECT_EQ(menu.calls, Lines{"settings Shortcuts"});
}

TEST(StatusMenu, ShortcutItemsRunTheirActionEvenWhilePaused) {
    Menu menu("paused");
    menu.item(menu.shortcuts(), "Focus window on the right\t⌃⌥→")->trigger();
    menu.item(menu.shortcuts(), "Pause / resume tiling\t⌃⌥Q")->trigger();
    EXPECT_EQ(menu.performed, (std::vector{Action::focusRight, Action::toggleTiling}));
    EXPECT_TRUE(menu.session.engine().isRunning());
}

TEST(StatusMenu, TheIconIsFilledWhileRunningAndAnOutlineDimmedOtherwise) {
    test::uiApplication();
    struct Ink {
        long alpha = 0;
        QRgb opaque = 0;  // the colour of an opaque pixel
    };
    const auto ink = [](bool running) {
        const QImage image = StatusBarController::statusIcon(running).pixmap(22).toImage();
        Ink ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                ink.alpha += qAlpha(image.pixel(x, y));
                if (qAlpha(image.pixel(x, y)) == 255) ink.opaque = image.pixel(x, y);
            }
        return ink;
    };
    const Ink on = ink(true), off = ink(false);
    const QRgb text = QGuiApplication::palette().color(QPalette::WindowText).rgba();
    EXPECT_GT(on.alpha, off.alpha * 3 / 2);
    EXPECT_EQ(on.opaque, text);
    EXPECT_NE(off.opaque, text);
    EXPECT_NE(off.opaque, 0u);

    // The tray follows the engine when told to.
    Menu menu("running");
    const auto shown = [&] { return menu.bar.trayIcon().icon().pixmap(22).toImage(); };
    menu.bar.refresh();
    EXPECT_EQ(shown(), StatusBarController::statusIcon(true).pixmap(22).toImage());
    menu.session.engine().stop(true);
    menu.bar.refresh();
    EXPECT_EQ(shown(), StatusBarController::statusIcon(false).pixmap(22).toImage());
    EXPECT_EQ(menu.bar.trayIcon().toolTip(), "Tessarin");
}

}  // namespace
}  // namespace tessarin
