#include "ui/status_bar.hpp"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include "base/log.hpp"
#include "ui/shortcut_text.hpp"
#include "ui/status_icons.hpp"

namespace tessarin {

namespace {

// Sizes panels ask tray icons for; others are scaled from the nearest.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};

QPixmap render(std::string_view svg, int size) {
    // Drawn in the palette's text colour, as the panel draws its own symbols.
    QByteArray text(svg.data(), static_cast<qsizetype>(svg.size()));
    text.replace("currentColor",
                 QGuiApplication::palette().color(QPalette::WindowText).name().toUtf8());
    QSvgRenderer renderer(text);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

// Menus read "&" as the mark of a mnemonic; a key label such as "&" must show as itself.
QString menuText(QString text) {
    return text.replace("&", "&&");
}

}  // namespace

StatusBarController::StatusBarController(UiContext& context)
    : context_(context),
      menu_(std::make_unique<QMenu>()),
      tray_(std::make_unique<QSystemTrayIcon>()) {
    QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), [this] { rebuild(); });
    tray_->setContextMenu(menu_.get());
    // Some panels send a plain click rather than asking for the context menu.
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated, menu_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
                     });
    refresh();
    // Shown even without a tray: the icon appears when a panel with one starts later.
    tray_->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        Log::info("no system tray: the menu is not shown; use tessarin msg or the settings window");
}

StatusBarController::~StatusBarController() = default;

QIcon StatusBarController::statusIcon(bool running) {
    QIcon icon;
    for (int size : kIconSizes) {
        QPixmap pixmap = render(running ? statusOnSvg : statusOffSvg, size);
        if (!running) {
            // A tray icon has no disabled state of its own: show the dimmed pixmap itself.
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

void StatusBarController::refresh() {
    tray_->setIcon(statusIcon(context_.engine.isRunning()));
    tray_->setToolTip("Tessarin");
}

QString StatusBarController::suffix(Action action) const {
    const auto text = firstShortcutText(context_.prefs.bindings(), action, context_.keyboardLayout);
    return text ? "\t" + QString::fromStdString(*text) : QString();
}

QAction* StatusBarController::addFire(QMenu& menu, const QString& title,
                                      std::function<void()> handler) {
    const int tag = static_cast<int>(handlers_.size()) + 1;
    handlers_[tag] = std::move(handler);
    QAction* item = menu.addAction(menuText(title));
    item->setData(tag);
    QObject::connect(item, &QAction::triggered, menu_.get(), [this, item] { fire(item); });
    return item;
}

void StatusBarController::fire(QAction* item) {
    Log::info("menu: " + item->text().replace("&&", "&").toStdString());
    const auto found = handlers_.find(item->data().toInt());
    if (found == handlers_.end()) return;
    // The handler may rebuild the menu, which empties the map.
    auto handler = found->second;
    handler();
}

void StatusBarController::run(QAction* item) {
    if (auto action = actionNamed(item->data().toString().toStdString()))
        context_.engine.perform(*action);
}

void StatusBarController::openShortcuts() {
    if (context_.showSettings) context_.showSettings(SettingsTab::shortcuts);
}

void StatusBarController::rebuild() {
    menu_->clear();
    delete shortcutsMenu_;
    shortcutsMenu_ = nullptr;
    handlers_.clear();

    WindowManager& engine = context_.engine;
    const bool running = engine.isRunning();
    const bool trusted = context_.platform.accessibility.isProcessTrusted();

    const char* state = !trusted  ? "Needs Accessibility permission"
                        : running ? "Tiling is on"
                                  : "Tiling is paused";
    menu_->addAction(QString("Tessarin: ") + state)->setEnabled(false);
    menu_->addSeparator();

    if (!trusted) {
        addFire(*menu_, "Grant Permission…", [this] {
            if (context_.showOnboarding) context_.showOnboarding();
        });
    } else {
        addFire(*menu_, (running ? "Pause Tiling" : "Resume Tiling") + suffix(Action::toggleTiling),
                [&engine] {
                    if (engine.isRunning()) {
                        engine.stop(true);
                    } else {
                        engine.start();
                    }
                });
        addFire(*menu_, "Re-arrange All Windows", [&engine] {
            // Every window is released and taken in again.
            if (engine.isRunning()) {
                engine.saveLayoutNow();
                engine.stop(false);
            }
            engine.start();
        })->setEnabled(running);
        addFire(*menu_, "Show Overview" + suffix(Action::showOverview), [&engine] {
            engine.perform(Action::showOverview);
        })->setEnabled(running);
        QAction* focus = addFire(*menu_, "Focus Mode" + suffix(Action::focusMode),
                                 [&engine] { engine.perform(Action::focusMode); });
        focus->setEnabled(running);
        focus->setCheckable(true);
        focus->setChecked(engine.view().focusMode());
    }

    addShortcutsMenu();
    menu_->addSeparator();

    addFire(*menu_, "Settings…", [this] {
        if (context_.showSettings) context_.showSettings(std::nullopt);
    })->setShortcut(QKeySequence("Ctrl+,"));
    addFire(*menu_, "Desktop Setup Check…", [this] {
        if (context_.showSettings) context_.showSettings(SettingsTab::setup);
    });
    addFire(*menu_, "Welcome Tour…", [this] {
        if (context_.showOnboarding) context_.showOnboarding();
    });
    menu_->addSeparator();
    addFire(*menu_, "Quit Tessarin", [this] {
        if (context_.quit) context_.quit();
    })->setShortcut(QKeySequence("Ctrl+Q"));
}

void StatusBarController::addShortcutsMenu() {
    shortcutsMenu_ = menu_->addMenu("Shortcuts");
    const Bindings& bindings = context_.prefs.bindings();
    for (ActionGroup group : allActionGroups()) {
        shortcutsMenu_
            ->addAction(
                QString::fromUtf8(title(group).data(), static_cast<qsizetype>(title(group).size())))
            ->setEnabled(false);
        for (Action action : allActions()) {
            if (tessarin::group(action) != group) continue;
            // The nine direct jumps would only crowd the list.
            if (action >= Action::focus1 && action <= Action::focus9) continue;
            const auto keys = firstShortcutText(bindings, action, context_.keyboardLayout);
            QAction* item = shortcutsMenu_->addAction(
                menuText(QString::fromStdString(title(action) + "\t" + keys.value_or(""))));
            const std::string_view raw = rawValue(action);
            item->setData(QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())));
            QObject::connect(item, &QAction::triggered, menu_.get(), [this, item] { run(item); });
        }
        shortcutsMenu_->addSeparator();
    }
    QObject::connect(shortcutsMenu_->addAction("Change Shortcuts…"), &QAction::triggered,
                     menu_.get(), [this] { openShortcuts(); });
}

}  // namespace tessarin
