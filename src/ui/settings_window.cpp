#include "ui/settings_window.hpp"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/settings_panes.hpp"
#include "ui/setup_pane.hpp"

namespace tessarin {

namespace {

QIcon tabIcon(SettingsTab tab, QStyle* style) {
    struct Choice {
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    Choice choice{"preferences-system", QStyle::SP_ComputerIcon};
    switch (tab) {
        case SettingsTab::general:
            break;
        case SettingsTab::layout:
            choice = {"view-split-left-right", QStyle::SP_FileDialogListView};
            break;
        case SettingsTab::gestures:
            choice = {"input-touchpad", QStyle::SP_ArrowRight};
            break;
        case SettingsTab::shortcuts:
            choice = {"input-keyboard", QStyle::SP_FileDialogDetailedView};
            break;
        case SettingsTab::apps:
            choice = {"preferences-system-windows", QStyle::SP_DesktopIcon};
            break;
        case SettingsTab::setup:
            choice = {"security-high", QStyle::SP_DialogApplyButton};
            break;
        case SettingsTab::about:
            choice = {"help-about", QStyle::SP_MessageBoxInformation};
            break;
    }
    return QIcon::fromTheme(choice.theme, style->standardIcon(choice.fallback));
}

// A pane under its tab's title, scrolled when the window is shorter than the pane.
QWidget* titled(SettingsTab tab, QWidget* pane) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 12, 0, 0);
    auto* heading = new QLabel(QString::fromUtf8(title(tab).data(), title(tab).size()));
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);
    heading->setContentsMargins(20, 0, 20, 0);
    column->addWidget(heading);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(pane);
    column->addWidget(scroll, 1);
    return page;
}

}  // namespace

SettingsWindow::SettingsWindow(UiContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      binder_(std::make_unique<SettingsBinder>(context.prefs, context.platform.mainLoop)),
      recorder_(std::make_unique<ShortcutRecorder>(context.prefs, context.hotKeys)),
      sidebar_(new QListWidget(this)),
      panes_(new QStackedWidget(this)) {
    setWindowTitle("Tessarin Settings");
    resize(760, 560);
    setMinimumSize(720, 500);
    sidebar_->setObjectName("sidebar");
    sidebar_->setFixedWidth(190);
    sidebar_->setIconSize(QSize(20, 20));
    auto* split = new QHBoxLayout(this);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);
    split->addWidget(sidebar_);
    split->addWidget(panes_, 1);

    for (SettingsTab tab : allSettingsTabs) {
        QWidget* pane = nullptr;
        switch (tab) {
            case SettingsTab::general:
                pane = makeGeneralPane(context_, *binder_);
                break;
            case SettingsTab::layout:
                pane = makeLayoutPane(context_, *binder_);
                break;
            case SettingsTab::gestures:
                pane = makeGesturesPane(*binder_);
                break;
            case SettingsTab::shortcuts:
                pane = new ShortcutsPane(context_, *binder_, *recorder_);
                break;
            case SettingsTab::apps:
                pane = new AppsPane(context_, *binder_);
                break;
            case SettingsTab::setup:
                pane = new SetupPane(context_);
                break;
            case SettingsTab::about:
                pane = makeAboutPane(context_);
                break;
        }
        paneOf_[tab] = pane;
        sidebar_->addItem(new QListWidgetItem(
            tabIcon(tab, style()), QString::fromUtf8(title(tab).data(), title(tab).size())));
        panes_->addWidget(titled(tab, pane));
    }
    sidebar_->setCurrentRow(0);
    connect(sidebar_, &QListWidget::currentRowChanged, this, [this](int row) { select(row); });
}

SettingsWindow::~SettingsWindow() {
    // The recorder gives the hot keys back before the panes that show it go.
    recorder_->stop();
}

void SettingsWindow::showTab(SettingsTab tab) {
    sidebar_->setCurrentRow(static_cast<int>(tab));
    select(static_cast<int>(tab));
}

void SettingsWindow::present(std::optional<SettingsTab> tab) {
    if (tab) showTab(*tab);
    if (!placed_) {
        placed_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = geometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

QWidget* SettingsWindow::pane(SettingsTab tab) const {
    return paneOf_.at(tab);
}

void SettingsWindow::select(int row) {
    if (row < 0 || row >= static_cast<int>(allSettingsTabs.size())) return;
    const SettingsTab next = allSettingsTabs[static_cast<std::size_t>(row)];
    // Leaving the shortcuts ends a recording: its keys would otherwise go nowhere visible.
    if (tab_ == SettingsTab::shortcuts && next != SettingsTab::shortcuts) recorder_->stop();
    tab_ = next;
    panes_->setCurrentIndex(row);
}

void SettingsWindow::changeEvent(QEvent* event) {
    // Global shortcuts come back when the user goes to another window mid-recording.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) recorder_->stop();
    QWidget::changeEvent(event);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    recorder_->stop();
    QWidget::hideEvent(event);
}

}  // namespace tessarin
