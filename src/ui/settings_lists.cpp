#include <algorithm>
#include <chrono>

#include <unistd.h>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "settings/docking_store.hpp"
#include "system/displays.hpp"
#include "ui/settings_panes.hpp"

namespace tessarin {

namespace {

// This program's own identifier, as the settings and the log name it.
constexpr std::string_view kOwnIdentifier = "com.tessarin";

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) retire(widget);
        delete item;
    }
}

std::size_t windowCount(const SavedArrangement& arrangement) {
    std::size_t count = 0;
    for (const auto& [display, columns] : arrangement.displays)
        for (const SavedColumn& column : columns)
            count += column.windows.size();
    return count;
}

// The application's icon and name when it is running, else its identifier.
QWidget* appLabel(Workspace& workspace, const std::string& bundleID) {
    auto* label = new QWidget;
    auto* row = new QHBoxLayout(label);
    row->setContentsMargins(0, 0, 0, 0);
    std::optional<RunningApplication> known;
    for (const RunningApplication& app : workspace.runningApplications())
        if (app.bundleID == bundleID && !app.terminated) known = app;
    if (known) {
        if (!known->icon.empty()) {
            auto* icon = new QLabel;
            icon->setPixmap(QIcon::fromTheme(QString::fromStdString(known->icon)).pixmap(20, 20));
            row->addWidget(icon);
        }
        row->addWidget(new QLabel(QString::fromStdString(known->localizedName.value_or(bundleID))));
    } else {
        row->addWidget(new QLabel(QString::fromStdString(bundleID)));
    }
    row->addStretch(1);
    return label;
}

}  // namespace

MonitorSetupsList::MonitorSetupsList(Preferences& prefs, QWidget* parent)
    : QWidget(parent), prefs_(prefs), rows_(new QVBoxLayout(this)) {
    setObjectName("monitorSetups");
    rows_->setContentsMargins(0, 0, 0, 0);
    reload();
}

void MonitorSetupsList::showEvent(QShowEvent* event) {
    // Rebuilt only when the store changed, so a window coming back does not flicker.
    if (DockingStore(prefs_.store()).all() != shown_) reload();
    QWidget::showEvent(event);
}

void MonitorSetupsList::reload() {
    clear(rows_);
    keys_.clear();
    shown_ = DockingStore(prefs_.store()).all();
    const auto& all = shown_;
    if (all.empty()) {
        QLabel* none = secondaryLabel(
            "No setups remembered yet. Your current layout is saved as you work.", this);
        rows_->addWidget(none);
        none->show();
        return;
    }
    std::vector<std::pair<std::string, const SavedArrangement*>> newest;
    for (const auto& [key, arrangement] : all)
        newest.emplace_back(key, &arrangement);
    std::stable_sort(newest.begin(), newest.end(), [](const auto& a, const auto& b) {
        return a.second->savedAt > b.second->savedAt;
    });
    const double now = secondsSinceReferenceDate(std::chrono::system_clock::now());
    for (const auto& [key, arrangement] : newest) {
        keys_.push_back(key);
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* text = new QVBoxLayout;
        text->setSpacing(2);
        text->addWidget(new QLabel(QString::fromStdString(DockingStore::name(*arrangement))));
        auto* detail = secondaryLabel(
            QString::fromStdString(std::to_string(windowCount(*arrangement)) + " windows · saved " +
                                   relativeTime(arrangement->savedAt, now)));
        QFont caption = detail->font();
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
        detail->setFont(caption);
        text->addWidget(detail);
        line->addLayout(text);
        line->addStretch(1);
        auto* forgetButton = new QPushButton("Forget");
        forgetButton->setObjectName(QString::fromStdString("forget:" + key));
        connect(forgetButton, &QPushButton::clicked, this, [this, key = key] { forget(key); });
        line->addWidget(forgetButton);
        rows_->addWidget(row);
        row->show();
    }
}

void MonitorSetupsList::forget(const std::string& setupKey) {
    DockingStore store(prefs_.store());
    auto all = store.all();
    all.erase(setupKey);
    store.write(all);
    reload();
}

std::vector<RunningApplication> floatingCandidates(std::vector<RunningApplication> apps,
                                                   Pid ownPid) {
    std::erase_if(apps, [ownPid](const RunningApplication& app) {
        return app.terminated || app.activationPolicy != ActivationPolicy::regular ||
               app.pid == ownPid || app.bundleID == kOwnIdentifier;
    });
    auto name = [](const RunningApplication& app) {
        return QString::fromStdString(app.localizedName.value_or(app.bundleID.value_or("")));
    };
    std::stable_sort(apps.begin(), apps.end(), [&](const auto& a, const auto& b) {
        return QString::localeAwareCompare(name(a), name(b)) < 0;
    });
    return apps;
}

AppsPane::AppsPane(UiContext& context, SettingsBinder& binder, QWidget* parent)
    : QWidget(parent), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    auto floating = addSection(this, "Apps that always float",
                               QString::fromUtf8("Floating windows are left where you put them. "
                                                 "Dialogs, settings windows and fixed-size "
                                                 "windows always float. Any window can be "
                                                 "toggled with ⌃⌥T."));
    auto* appRows = new QWidget;
    apps_ = new QVBoxLayout(appRows);
    apps_->setContentsMargins(0, 0, 0, 0);
    floating.form->addRow(appRows);
    auto* add = new QToolButton;
    add->setObjectName("addFloatingApp");
    add->setText(QString::fromUtf8("Add a running app…"));
    add->setPopupMode(QToolButton::InstantPopup);
    addMenu_ = new QMenu(add);
    add->setMenu(addMenu_);
    connect(addMenu_, &QMenu::aboutToShow, this, [this] { fillAddMenu(); });
    floating.form->addRow(add);

    auto displays = addSection(this, "Tile windows on these displays");
    auto* displayRows = new QWidget;
    displays_ = new QVBoxLayout(displayRows);
    displays_->setContentsMargins(0, 0, 0, 0);
    displays.form->addRow(displayRows);
    column->addStretch(1);

    binder.add([this] {
        rebuildApps();
        rebuildDisplays();
    });
    observer_ = context_.platform.workspace.addObserver(
        [this](WorkspaceEvent event, const std::optional<RunningApplication>&) {
            if (event == WorkspaceEvent::screenParametersDidChange) rebuildDisplays();
        });
}

AppsPane::~AppsPane() {
    context_.platform.workspace.removeObserver(observer_);
}

void AppsPane::showEvent(QShowEvent* event) {
    shownDisplays_.clear();
    rebuildDisplays();
    QWidget::showEvent(event);
}

void AppsPane::rebuildApps() {
    Preferences& prefs = context_.prefs;
    if (shownApps_ == prefs.floatingApps() && apps_->count() == static_cast<int>(shownApps_.size()))
        return;
    shownApps_ = prefs.floatingApps();
    clear(apps_);
    for (const std::string& bundleID : shownApps_) {
        auto* row = new QWidget;
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(appLabel(context_.platform.workspace, bundleID));
        auto* remove = new QPushButton("Remove");
        remove->setObjectName(QString::fromStdString("removeFloating:" + bundleID));
        connect(remove, &QPushButton::clicked, this, [&prefs, bundleID] {
            auto apps = prefs.floatingApps();
            std::erase(apps, bundleID);
            prefs.setFloatingApps(std::move(apps));
        });
        line->addWidget(remove);
        apps_->addWidget(row);
        row->show();
    }
}

void AppsPane::fillAddMenu() {
    addMenu_->clear();
    Preferences& prefs = context_.prefs;
    for (const RunningApplication& app :
         floatingCandidates(context_.platform.workspace.runningApplications(), getpid())) {
        const std::string title = app.localizedName.value_or(app.bundleID.value_or(""));
        QAction* item = addMenu_->addAction(QString::fromStdString(title).replace("&", "&&"));
        connect(item, &QAction::triggered, this, [&prefs, bundleID = app.bundleID] {
            if (!bundleID) return;
            auto apps = prefs.floatingApps();
            if (std::find(apps.begin(), apps.end(), *bundleID) != apps.end()) return;
            apps.push_back(*bundleID);
            prefs.setFloatingApps(std::move(apps));
        });
    }
}

void AppsPane::rebuildDisplays() {
    Platform& platform = context_.platform;
    const auto current =
        Displays(platform.screens, platform.pointer, platform.windowServer).current();
    std::vector<std::string> shown;
    for (const Display& display : current)
        shown.push_back(display.uuid);
    Preferences& prefs = context_.prefs;
    if (shown != shownDisplays_) {
        shownDisplays_ = shown;
        clear(displays_);
        displayToggles_.clear();
        for (const Display& display : current) {
            auto* row = new QWidget;
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            auto* toggle = new QCheckBox(QString::fromStdString(display.name).replace("&", "&&"));
            toggle->setObjectName(QString::fromStdString("display:" + display.uuid));
            displayToggles_[display.uuid] = toggle;
            line->addWidget(toggle);
            line->addWidget(secondaryLabel(
                QString::fromStdString(std::to_string(std::lround(display.frame.width)) + " × " +
                                       std::to_string(std::lround(display.frame.height)))));
            line->addStretch(1);
            connect(toggle, &QCheckBox::toggled, this, [&prefs, uuid = display.uuid](bool on) {
                auto excluded = prefs.excludedDisplays();
                std::erase(excluded, uuid);
                if (!on) excluded.push_back(uuid);
                prefs.setExcludedDisplays(std::move(excluded));
            });
            displays_->addWidget(row);
            row->show();
        }
    }
    const auto& excluded = prefs.excludedDisplays();
    for (const auto& [uuid, toggle] : displayToggles_) {
        QSignalBlocker block(toggle);
        toggle->setChecked(std::find(excluded.begin(), excluded.end(), uuid) == excluded.end());
    }
}

}  // namespace tessarin
