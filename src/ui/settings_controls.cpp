#include "ui/settings_controls.hpp"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPalette>
#include <QVBoxLayout>

namespace tessarin {

namespace {

constexpr double kPresetTolerance = 0.001;

QLabel* valueLabel(QWidget* parent) {
    auto* label = secondaryLabel({}, parent);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setFixedWidth(44);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QString percentText(double value) {
    return QString::number(static_cast<int>(std::lround(value * 100))) + "%";
}

}  // namespace

std::string percent(double x) {
    if (std::abs(x - 1.0 / 3) < kPresetTolerance) return "One third (33%)";
    if (std::abs(x - 2.0 / 3) < kPresetTolerance) return "Two thirds (67%)";
    if (x == 0.25) return "Quarter (25%)";
    if (x == 0.5) return "Half (50%)";
    if (x == 0.75) return "Three quarters (75%)";
    if (x == 1.0) return "Full width (100%)";
    return std::to_string(static_cast<long long>(std::trunc(x * 100))) + "%";
}

bool holdsPreset(const std::vector<double>& presets, double choice) {
    return std::any_of(presets.begin(), presets.end(),
                       [&](double value) { return std::abs(value - choice) < kPresetTolerance; });
}

std::vector<double> toggledPresets(std::vector<double> presets, double choice, bool on) {
    std::erase_if(presets,
                  [&](double value) { return std::abs(value - choice) < kPresetTolerance; });
    if (on) presets.push_back(choice);
    std::sort(presets.begin(), presets.end());
    return presets;
}

std::string relativeTime(double then, double now) {
    const double seconds = now - then;
    const bool past = seconds >= 0;
    const double span = std::abs(seconds);
    if (span < 60) return "now";
    struct Unit {
        double seconds;
        const char* name;
        const char* last;
        const char* next;
    };
    static constexpr Unit units[] = {
        {31536000, "year", "last year", "next year"},
        {2592000, "month", "last month", "next month"},
        {604800, "week", "last week", "next week"},
        {86400, "day", "yesterday", "tomorrow"},
        {3600, "hour", nullptr, nullptr},
        {60, "minute", nullptr, nullptr},
    };
    for (const Unit& unit : units) {
        if (span < unit.seconds) continue;
        const auto count = static_cast<long long>(span / unit.seconds);
        if (count == 1 && unit.last) return past ? unit.last : unit.next;
        std::string amount = std::to_string(count) + " " + unit.name + (count == 1 ? "" : "s");
        return past ? amount + " ago" : "in " + amount;
    }
    return "now";
}

SettingsBinder::SettingsBinder(Preferences& prefs, MainLoop& loop) : prefs_(prefs), loop_(loop) {
    token_ = prefs_.willChange.connect([this](std::string_view) {
        if (pending_) return;
        pending_ = true;
        loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (alive.expired()) return;
            pending_ = false;
            refresh();
        });
    });
}

SettingsBinder::~SettingsBinder() {
    prefs_.willChange.disconnect(token_);
}

void SettingsBinder::add(std::function<void()> read) {
    read();
    readers_.push_back(std::move(read));
}

void SettingsBinder::refresh() {
    for (const auto& read : readers_)
        read();
}

QCheckBox* boundToggle(SettingsBinder& binder, const QString& key, const QString& text,
                       bool (Preferences::*get)() const, void (Preferences::*set)(bool)) {
    auto* toggle = new QCheckBox(text);
    toggle->setObjectName(key);
    Preferences& prefs = binder.prefs();
    binder.add([toggle, &prefs, get] {
        QSignalBlocker block(toggle);
        toggle->setChecked((prefs.*get)());
    });
    QObject::connect(toggle, &QCheckBox::toggled,
                     [&prefs, set](bool checked) { (prefs.*set)(checked); });
    return toggle;
}

LabeledSlider::LabeledSlider(SettingsBinder& binder, const QString& key, int minimum, int maximum,
                             double (Preferences::*get)() const, void (Preferences::*set)(double),
                             std::function<void(std::optional<double>)> onDraft, QWidget* parent)
    : QWidget(parent),
      binder_(binder),
      get_(get),
      set_(set),
      onDraft_(std::move(onDraft)),
      slider_(new QSlider(Qt::Horizontal, this)),
      value_(valueLabel(this)) {
    setObjectName(key);
    setFixedWidth(220);
    slider_->setRange(minimum, maximum);
    slider_->setSingleStep(1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(slider_);
    row->addWidget(value_);
    binder_.add([this] { showStored(); });
    // A press on the groove moves the value before the slider counts as held down: the draft
    // starts with the press itself, so the real windows stay put until the release.
    slider_->installEventFilter(this);
    connect(slider_, &QSlider::sliderPressed, this, [this] { pressed(); });
    connect(slider_, &QSlider::valueChanged, this, [this](int value) { moved(value); });
    connect(slider_, &QSlider::sliderReleased, this, [this] { released(); });
}

void LabeledSlider::show(double value) {
    QSignalBlocker block(slider_);
    slider_->setValue(static_cast<int>(std::lround(value)));
    value_->setText(QString::number(std::lround(value)) + " pt");
}

void LabeledSlider::showStored() {
    // A drag in progress shows its draft, not the stored value.
    if (draft_.has_value()) return;
    const double stored = (binder_.prefs().*get_)();
    show(stored);
}

bool LabeledSlider::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_ && event->type() == QEvent::MouseButtonPress) pressed();
    // A held groove press ends here; a dragged handle ends with sliderReleased.
    if (watched == slider_ && event->type() == QEvent::MouseButtonRelease &&
        !slider_->isSliderDown()) {
        released();
    }
    return QWidget::eventFilter(watched, event);
}

void LabeledSlider::pressed() {
    if (draft_) return;
    draft_ = (binder_.prefs().*get_)();
    if (onDraft_) onDraft_(draft_);
}

void LabeledSlider::moved(int value) {
    // Keys and the wheel write at once; a press drafts until its release.
    if (!draft_ && !slider_->isSliderDown()) {
        (binder_.prefs().*set_)(value);
        show(value);
        return;
    }
    draft_ = value;
    show(value);
    if (onDraft_) onDraft_(draft_);
}

void LabeledSlider::released() {
    if (!draft_) return;
    const std::optional<double> finished = draft_;
    draft_.reset();
    if (onDraft_) onDraft_(std::nullopt);
    Preferences& prefs = binder_.prefs();
    if (finished && *finished != (prefs.*get_)()) (prefs.*set_)(*finished);
    show((prefs.*get_)());
}

PercentSlider::PercentSlider(SettingsBinder& binder, const QString& key, double minimum,
                             double maximum, double (Preferences::*get)() const,
                             void (Preferences::*set)(double), QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), value_(valueLabel(this)) {
    setObjectName(key);
    setFixedWidth(220);
    // Whole percent on the slider, moved five at a time.
    slider_->setRange(static_cast<int>(std::lround(minimum * 100)),
                      static_cast<int>(std::lround(maximum * 100)));
    slider_->setSingleStep(5);
    slider_->setPageStep(5);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(slider_);
    row->addWidget(value_);
    Preferences& prefs = binder.prefs();
    binder.add([this, &prefs, get] {
        QSignalBlocker block(slider_);
        const double value = (prefs.*get)();
        slider_->setValue(static_cast<int>(std::lround(value * 100)));
        value_->setText(percentText(value));
    });
    connect(slider_, &QSlider::valueChanged, this, [this, &prefs, set](int value) {
        // Snap to the 0.05 grid whatever the style let the handle land on.
        const double snapped = std::round(value / 5.0) * 0.05;
        (prefs.*set)(snapped);
        value_->setText(percentText(snapped));
    });
}

RangeSlider::RangeSlider(SettingsBinder& binder, const QString& key, double minimum, double maximum,
                         double (Preferences::*get)() const, void (Preferences::*set)(double),
                         const QString& low, const QString& high, QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)) {
    setObjectName(key);
    setFixedWidth(220);
    slider_->setRange(static_cast<int>(std::lround(minimum * 100)),
                      static_cast<int>(std::lround(maximum * 100)));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    if (!low.isEmpty()) row->addWidget(secondaryLabel(low, this));
    row->addWidget(slider_);
    if (!high.isEmpty()) row->addWidget(secondaryLabel(high, this));
    Preferences& prefs = binder.prefs();
    binder.add([this, &prefs, get] {
        QSignalBlocker block(slider_);
        slider_->setValue(static_cast<int>(std::lround((prefs.*get)() * 100)));
    });
    connect(slider_, &QSlider::valueChanged, this,
            [&prefs, set](int value) { (prefs.*set)(value / 100.0); });
}

FormSection addSection(QWidget* pane, const QString& header, const QString& footer) {
    auto* box = new QGroupBox(header, pane);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto* column = qobject_cast<QVBoxLayout*>(pane->layout());
    if (!column) column = new QVBoxLayout(pane);
    column->addWidget(box);
    if (!footer.isEmpty()) {
        auto* note = secondaryLabel(footer, pane);
        note->setWordWrap(true);
        column->addWidget(note);
    }
    return {box, form};
}

void retire(QWidget* widget) {
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

QLabel* secondaryLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

}  // namespace tessarin
