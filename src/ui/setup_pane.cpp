#include "ui/setup_pane.hpp"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/setup_report.hpp"
#include "ui/settings_controls.hpp"

namespace tessarin {

namespace {

struct Look {
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
    QColor colour;
};

Look look(Severity severity) {
    switch (severity) {
        case Severity::blocking:
            return {"dialog-error", QStyle::SP_MessageBoxCritical, QColor(215, 0, 21)};
        case Severity::warning:
            return {"dialog-warning", QStyle::SP_MessageBoxWarning, QColor(255, 149, 0)};
        case Severity::info:
            break;
    }
    return {"dialog-information", QStyle::SP_MessageBoxInformation, QColor(0, 122, 255)};
}

// A finding is shown anew only when what the user reads of it changed; the fix is a closure
// and cannot be compared.
bool sameText(const std::vector<SetupFinding>& a, const std::vector<SetupFinding>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].id != b[i].id || a[i].severity != b[i].severity || a[i].title != b[i].title ||
            a[i].detail != b[i].detail || a[i].fixTitle != b[i].fixTitle)
            return false;
    }
    return true;
}

QLabel* symbol(const char* themeIcon, QStyle::StandardPixmap fallback) {
    auto* label = new QLabel;
    const QIcon icon = QIcon::fromTheme(themeIcon, QApplication::style()->standardIcon(fallback));
    label->setPixmap(icon.pixmap(18, 18));
    return label;
}

QLabel* coloured(const QString& text, const QColor& colour, bool bold) {
    auto* label = new QLabel(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

}  // namespace

SetupPane::SetupPane(UiContext& context, QWidget* parent)
    : QWidget(parent), context_(context), timer_(new QTimer(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    auto* box = new QGroupBox(this);
    list_ = new QVBoxLayout(box);
    column->addWidget(box);
    column->addStretch(1);
    refresh();
    timer_->setInterval(kRefreshMilliseconds);
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
}

SetupPane::~SetupPane() = default;

void SetupPane::showEvent(QShowEvent* event) {
    refresh();
    timer_->start();
    QWidget::showEvent(event);
}

void SetupPane::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

void SetupPane::refresh() {
    auto fresh = context_.platform.setupCheck.check(setupContext(context_.prefs));
    if (built_ && sameText(fresh, findings_)) return;
    findings_ = std::move(fresh);
    built_ = true;
    rebuild();
}

void SetupPane::rebuild() {
    while (QLayoutItem* item = list_->takeAt(0)) {
        if (QWidget* widget = item->widget()) retire(widget);
        delete item;
    }
    if (findings_.empty()) {
        auto* row = new QWidget;
        row->setObjectName("allGood");
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->addWidget(symbol("emblem-ok", QStyle::SP_DialogApplyButton));
        line->addWidget(coloured("Everything looks good. Your desktop is set up for Tessarin.",
                                 QColor(40, 167, 69), false),
                        1);
        list_->addWidget(row);
        row->show();
        return;
    }
    for (std::size_t i = 0; i < findings_.size(); ++i) {
        const SetupFinding& finding = findings_[i];
        const Look shown = look(finding.severity);
        auto* item = new QWidget;
        item->setObjectName(QString::fromStdString("finding:" + finding.id));
        auto* stack = new QVBoxLayout(item);
        stack->setContentsMargins(0, 4, 0, 4);
        stack->setSpacing(6);
        auto* heading = new QHBoxLayout;
        heading->addWidget(symbol(shown.themeIcon, shown.fallback));
        heading->addWidget(coloured(QString::fromStdString(finding.title), shown.colour, true), 1);
        stack->addLayout(heading);
        auto* detail = new QLabel(QString::fromStdString(finding.detail));
        detail->setWordWrap(true);
        QPalette palette = detail->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
        detail->setPalette(palette);
        stack->addWidget(detail);
        if (finding.fixTitle && finding.fix) {
            // Doubled: a lone "&" would mark a mnemonic.
            auto* fix =
                new QPushButton(QString::fromStdString(*finding.fixTitle).replace("&", "&&"));
            fix->setObjectName(QString::fromStdString("fix:" + finding.id));
            connect(fix, &QPushButton::clicked, this, [this, i] {
                // Copied: the refresh below replaces the findings.
                auto run = i < findings_.size() ? findings_[i].fix : std::nullopt;
                if (run && *run) (*run)();
                refresh();
            });
            stack->addWidget(fix, 0, Qt::AlignLeft);
        }
        list_->addWidget(item);
        item->show();
    }
}

}  // namespace tessarin
