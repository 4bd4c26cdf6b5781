#include <algorithm>

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/keyboard_layout.hpp"
#include "ui/settings_panes.hpp"

namespace tessarin {

namespace {

struct BaseChoice {
    std::uint32_t mask;
    const char* text;
};

constexpr std::array<BaseChoice, 4> baseChoices{{
    {0x1800, "⌃⌥  Control + Option"},
    {0x900, "⌥⌘  Option + Command"},
    {0x1100, "⌃⌘  Control + Command"},
    {0x1900, "⌃⌥⌘  Control + Option + Command"},
}};

const QString kConflictTip = "Also used by another action, or taken by another app";

QWidget* chip(const KeyCombo& combo, const KeyboardLayout* shown, bool conflict,
              const QString& name) {
    static const UsKeyboardLayout us;
    const KeyboardLayout& layout = shown ? *shown : us;
    auto* frame = new QFrame;
    frame->setObjectName(name);
    frame->setProperty("conflict", conflict);
    QColor fill =
        conflict ? QColor(255, 149, 0) : frame->palette().color(QPalette::PlaceholderText);
    fill.setAlphaF(conflict ? 0.25f : 0.12f);
    // ".QFrame": the chip itself, not the label inside it (a QFrame too).
    frame->setStyleSheet(
        QString(".QFrame { background: %1; border-radius: 6px; }").arg(fill.name(QColor::HexArgb)));
    if (conflict) frame->setToolTip(kConflictTip);
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(7, 3, 7, 3);
    row->setSpacing(4);
    row->addWidget(new QLabel(QString::fromStdString(combo.display(&layout))));
    return frame;
}

}  // namespace

ShortcutsPane::ShortcutsPane(UiContext& context, SettingsBinder& binder, ShortcutRecorder& recorder,
                             QWidget* parent)
    : QWidget(parent), context_(context), recorder_(recorder) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    Preferences& prefs = context.prefs;

    auto base = addSection(this, {});
    auto* picker = new QComboBox;
    picker->setObjectName("baseModifier");
    for (const BaseChoice& choice : baseChoices)
        picker->addItem(QString::fromUtf8(choice.text), choice.mask);
    base.form->addRow("Base modifier for all shortcuts", picker);
    connect(picker, &QComboBox::currentIndexChanged, this, [&prefs](int index) {
        if (index >= 0) prefs.setBaseModifier(baseChoices[static_cast<std::size_t>(index)].mask);
    });
    auto* hintRow = new QHBoxLayout;
    hintRow->addWidget(
        secondaryLabel("Click + to add a shortcut, × to remove one. Esc cancels recording."));
    hintRow->addStretch(1);
    auto* restore = new QPushButton("Restore Defaults");
    restore->setObjectName("restoreDefaults");
    connect(restore, &QPushButton::clicked, this, [&prefs] { prefs.restoreDefaultShortcuts(); });
    hintRow->addWidget(restore);
    base.form->addRow(hintRow);

    for (ActionGroup group : allActionGroups()) {
        auto section = addSection(this, QString::fromStdString(std::string(title(group))));
        for (Action action : allActions()) {
            if (tessarin::group(action) != group) continue;
            auto* row = new QWidget;
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            line->addWidget(new QLabel(QString::fromStdString(title(action))));
            line->addStretch(1);
            auto* chips = new QWidget;
            auto* chipRow = new QHBoxLayout(chips);
            chipRow->setContentsMargins(0, 0, 0, 0);
            chips_[action] = chips;
            line->addWidget(chips);
            auto* record = new QPushButton("+");
            record->setMinimumWidth(
                record->fontMetrics().horizontalAdvance(QString::fromUtf8("Press keys…")) + 16);
            record->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            record->setObjectName(
                QString::fromStdString("record:" + std::string(rawValue(action))));
            connect(record, &QPushButton::clicked, this, [this, action] {
                if (recorder_.recording() == action)
                    recorder_.stop();
                else
                    recorder_.start(action);
            });
            recordButtons_[action] = record;
            line->addWidget(record);
            section.form->addRow(row);
        }
    }
    column->addStretch(1);

    connect(&recorder_, &ShortcutRecorder::recordingChanged, this, [this] {
        updateRecordButtons();
        // A stop re-registers the hot keys, which may refuse some that were fine before.
        rebuildChips();
    });
    binder.add([this, picker, &prefs] {
        QSignalBlocker block(picker);
        picker->setCurrentIndex(picker->findData(prefs.baseModifier()));
        rebuildChips();
    });
}

bool ShortcutsPane::conflicts(const KeyCombo& combo) const {
    if (context_.prefs.actionsBoundTo(combo).size() >= 2) return true;
    if (!context_.hotKeys) return false;
    const auto& failed = context_.hotKeys->failed();
    return std::find(failed.begin(), failed.end(), combo) != failed.end();
}

void ShortcutsPane::rebuildChips() {
    Preferences& prefs = context_.prefs;
    const std::vector<KeyCombo> failed =
        context_.hotKeys ? context_.hotKeys->failed() : std::vector<KeyCombo>{};
    if (built_ && shownBindings_ == prefs.bindings() && shownFailed_ == failed) return;
    built_ = true;
    shownBindings_ = prefs.bindings();
    shownFailed_ = failed;
    for (auto& [action, chips] : chips_) {
        QLayout* row = chips->layout();
        while (QLayoutItem* item = row->takeAt(0)) {
            if (QWidget* widget = item->widget()) retire(widget);
            delete item;
        }
        auto found = shownBindings_.find(action);
        if (found == shownBindings_.end()) continue;
        const std::string name(rawValue(action));
        for (std::size_t i = 0; i < found->second.size(); ++i) {
            const KeyCombo combo = found->second[i];
            QWidget* shown = chip(combo, context_.keyboardLayout, conflicts(combo),
                                  QString::fromStdString("chip:" + name + ":" + std::to_string(i)));
            auto* remove = new QToolButton;
            remove->setObjectName(
                QString::fromStdString("removeShortcut:" + name + ":" + std::to_string(i)));
            remove->setAutoRaise(true);
            remove->setIcon(QIcon::fromTheme(
                "window-close", style()->standardIcon(QStyle::SP_TitleBarCloseButton)));
            remove->setIconSize(QSize(12, 12));
            connect(remove, &QToolButton::clicked, this, [&prefs, action = action, combo] {
                Bindings bindings = prefs.bindings();
                std::erase(bindings[action], combo);
                prefs.setBindings(std::move(bindings));
                prefs.saveBindings();
            });
            shown->layout()->addWidget(remove);
            row->addWidget(shown);
            shown->show();
        }
    }
}

void ShortcutsPane::updateRecordButtons() {
    for (auto& [action, button] : recordButtons_)
        button->setText(recorder_.recording() == action ? QString::fromUtf8("Press keys…") : "+");
}

}  // namespace tessarin
