#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include "shell/app_delegate.hpp"
#include "ui/ui_context.hpp"

namespace tessarin {

// The icon in the panel's tray and its menu: whether tiling runs, the main commands, every
// shortcut, and the ways to the settings, the setup check and the tour. The menu is built
// afresh each time it opens, so it never needs updating while closed. One per process.
class StatusBarController : public StatusMenu {
  public:
    explicit StatusBarController(UiContext& context);
    ~StatusBarController() override;
    StatusBarController(const StatusBarController&) = delete;
    StatusBarController& operator=(const StatusBarController&) = delete;

    // The icon for the engine's state now: filled while tiling runs, outlined and dimmed not.
    void refresh() override;
    // Empties the menu and fills it from the engine's state, the bindings and the permission as
    // they are now; runs whenever the menu is about to open.
    void rebuild();
    // The settings window on the Shortcuts tab.
    void openShortcuts();

    QMenu& menu() { return *menu_; }
    QSystemTrayIcon& trayIcon() { return *tray_; }

    // The icon as the panel shows it for a running or a stopped engine.
    static QIcon statusIcon(bool running);

  private:
    QAction* addFire(QMenu& menu, const QString& title, std::function<void()> handler);
    // Logs the item's title and runs the handler under its tag.
    void fire(QAction* item);
    // Performs the action the item names.
    void run(QAction* item);
    // A tab and the first shortcut of `action`, or nothing when it is unbound.
    QString suffix(Action action) const;
    void addShortcutsMenu();

    UiContext& context_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QMenu* shortcutsMenu_ = nullptr;
    // The handlers of the items that log their choice, by tag from 1 in order of addition.
    std::map<int, std::function<void()>> handlers_;
};

}  // namespace tessarin
