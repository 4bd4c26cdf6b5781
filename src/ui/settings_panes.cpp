#include "ui/settings_panes.hpp"
#include "ui/shortcut_text.hpp"

#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSvgRenderer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/keyboard_layout.hpp"
#include "shell/app_icon.hpp"

namespace tessarin {

namespace {

const QString kWebsite = "https://tessarin.app";
const QString kSupportMail = "mailto:support@tessarin.app?subject=Tessarin";

QWidget* newPane() {
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(8);
    return pane;
}

void finishPane(QWidget* pane) {
    static_cast<QVBoxLayout*>(pane->layout())->addStretch(1);
}

// A picker over fixed choices bound to a preference read and written through `index`.
template <typename Value, std::size_t N>
QComboBox* boundPicker(SettingsBinder& binder, const QString& key,
                       const std::array<std::pair<Value, const char*>, N>& choices,
                       Value (Preferences::*get)() const, void (Preferences::*set)(Value)) {
    auto* picker = new QComboBox;
    picker->setObjectName(key);
    for (const auto& [value, text] : choices)
        picker->addItem(QString::fromUtf8(text));
    Preferences& prefs = binder.prefs();
    binder.add([picker, &prefs, choices, get] {
        QSignalBlocker block(picker);
        for (std::size_t i = 0; i < N; ++i)
            if (choices[i].first == (prefs.*get)()) picker->setCurrentIndex(static_cast<int>(i));
    });
    QObject::connect(picker, &QComboBox::currentIndexChanged, [&prefs, choices, set](int index) {
        if (index >= 0 && index < static_cast<int>(N)) (prefs.*set)(choices[index].first);
    });
    return picker;
}

// The login item can change behind the window (the tour's Done): read again on every show.
class LoginToggle : public QCheckBox {
  public:
    explicit LoginToggle(LoginItem& item) : QCheckBox("Open Tessarin at login"), item_(item) {
        setObjectName("login");
        showStatus();
        QObject::connect(this, &QCheckBox::toggled, [this](bool on) {
            const bool done = on ? item_.registerItem() : item_.unregisterItem();
            if (!done) showStatus();
        });
    }

  protected:
    void showEvent(QShowEvent* event) override {
        showStatus();
        QCheckBox::showEvent(event);
    }

  private:
    void showStatus() {
        QSignalBlocker block(this);
        setChecked(item_.status() == LoginItem::Status::enabled);
    }

    LoginItem& item_;
};

QCheckBox* loginToggle(LoginItem& item) {
    return new LoginToggle(item);
}

}  // namespace

std::string gapCaption(bool outer, double value) {
    return std::string(outer ? "Gap at screen edges: " : "Gap between windows: ") +
           std::to_string(std::lround(value)) + " pt";
}

QWidget* makeGeneralPane(UiContext& context, SettingsBinder& binder) {
    QWidget* pane = newPane();
    auto start = addSection(pane, {});
    if (context.loginItem) start.form->addRow(loginToggle(*context.loginItem));
    start.form->addRow(boundToggle(binder, "rememberLayout",
                                   "Remember window order and widths when Tessarin restarts",
                                   &Preferences::rememberLayout, &Preferences::setRememberLayout));

    auto monitors = addSection(pane, "Monitors",
                               "When you plug in or unplug a monitor, windows go back to the "
                               "screen, order and widths you last used with that setup.");
    monitors.form->addRow(boundToggle(binder, "dockingMemory",
                                      "Remember the layout for each monitor setup",
                                      &Preferences::dockingMemory, &Preferences::setDockingMemory));
    monitors.form->addRow(new MonitorSetupsList(binder.prefs()));

    auto feedback = addSection(pane, "Feedback");
    Preferences& prefs = binder.prefs();
    feedback.form->addRow(boundToggle(binder, "showIndicator",
                                      "Show the strip overview while navigating",
                                      &Preferences::showIndicator, &Preferences::setShowIndicator));
    feedback.form->addRow(boundToggle(binder, "focusBorder", "Outline the focused window",
                                      &Preferences::focusBorder, &Preferences::setFocusBorder));
    auto* outline = new QSlider(Qt::Horizontal);
    outline->setObjectName("focusBorderWidth");
    outline->setRange(1, 8);
    outline->setSingleStep(1);
    outline->setPageStep(1);
    outline->setTickPosition(QSlider::TicksBelow);
    outline->setFixedWidth(220);
    feedback.form->addRow("Outline width", outline);
    QFormLayout* feedbackForm = feedback.form;
    binder.add([outline, feedbackForm, &prefs] {
        QSignalBlocker block(outline);
        outline->setValue(static_cast<int>(std::lround(prefs.focusBorderWidth())));
        feedbackForm->setRowVisible(outline, prefs.focusBorder());
    });
    QObject::connect(outline, &QSlider::valueChanged,
                     [&prefs](int value) { prefs.setFocusBorderWidth(value); });
    feedback.form->addRow(
        boundToggle(binder, "mouseFollowsFocus", "Move the mouse pointer to the focused window",
                    &Preferences::mouseFollowsFocus, &Preferences::setMouseFollowsFocus));

    auto animation = addSection(pane, "Animation");
    animation.form->addRow(boundToggle(binder, "animate", "Animate scrolling",
                                       &Preferences::animate, &Preferences::setAnimate));
    auto* speed = new RangeSlider(binder, "animationSpeed", 0.5, 2.5, &Preferences::animationSpeed,
                                  &Preferences::setAnimationSpeed, "Calm", "Snappy");
    animation.form->addRow("Speed", speed);
    QFormLayout* animationForm = animation.form;
    binder.add(
        [speed, animationForm, &prefs] { animationForm->setRowVisible(speed, prefs.animate()); });

    auto tour = addSection(pane, {});
    auto* again = new QPushButton("Show the welcome tour again");
    again->setObjectName("showOnboarding");
    QObject::connect(again, &QPushButton::clicked, [&context] {
        if (context.showOnboarding) context.showOnboarding();
    });
    tour.form->addRow(again);
    finishPane(pane);
    return pane;
}

QWidget* makeLayoutPane(UiContext& context, SettingsBinder& binder) {
    QWidget* pane = newPane();
    Preferences& prefs = binder.prefs();
    auto spacing =
        addSection(pane, "Spacing", "Drag to preview on screen; windows move when you let go.");
    auto preview = [&context, &prefs](bool outer) {
        return [&context, &prefs, outer](std::optional<double> value) {
            if (!value) {
                if (context.hideGapPreview) context.hideGapPreview();
                return;
            }
            if (!context.showGapPreview) return;
            context.showGapPreview(outer ? prefs.gap() : *value, outer ? *value : prefs.outerGap(),
                                   gapCaption(outer, *value));
        };
    };
    spacing.form->addRow("Gap between windows",
                         new LabeledSlider(binder, "gap", 0, 40, &Preferences::gap,
                                           &Preferences::setGap, preview(false)));
    spacing.form->addRow("Gap at screen edges",
                         new LabeledSlider(binder, "outerGap", 0, 40, &Preferences::outerGap,
                                           &Preferences::setOuterGap, preview(true)));

    auto windows = addSection(pane, "New windows");
    static constexpr std::array<std::pair<NewWindowPlacement, const char*>, 2> placements{{
        {NewWindowPlacement::afterFocused, "Right of the focused window"},
        {NewWindowPlacement::end, "At the end of the strip"},
    }};
    windows.form->addRow("Open new windows",
                         boundPicker(binder, "placement", placements, &Preferences::placement,
                                     &Preferences::setPlacement));
    windows.form->addRow(
        boundToggle(binder, "keepOriginalWidth", "Keep the width the app opens with",
                    &Preferences::keepOriginalWidth, &Preferences::setKeepOriginalWidth));
    auto* width = new QComboBox;
    width->setObjectName("defaultWidth");
    for (double choice : widthChoices)
        width->addItem(QString::fromStdString(percent(choice)), choice);
    windows.form->addRow("Default width", width);
    QFormLayout* windowsForm = windows.form;
    binder.add([width, windowsForm, &prefs] {
        QSignalBlocker block(width);
        for (std::size_t i = 0; i < widthChoices.size(); ++i)
            if (std::abs(widthChoices[i] - prefs.defaultWidth()) < 0.001)
                width->setCurrentIndex(static_cast<int>(i));
        windowsForm->setRowVisible(width, !prefs.keepOriginalWidth());
    });
    QObject::connect(width, &QComboBox::currentIndexChanged, [&prefs](int index) {
        if (index >= 0) prefs.setDefaultWidth(widthChoices[static_cast<std::size_t>(index)]);
    });

    auto presets = addSection(pane, QString::fromUtf8("Widths for “Cycle width” (⌃⌥R)"));
    for (std::size_t i = 0; i < widthChoices.size(); ++i) {
        const double choice = widthChoices[i];
        auto* toggle = new QCheckBox(QString::fromStdString(percent(choice)));
        toggle->setObjectName("widthPresets:" + QString::number(i));
        binder.add([toggle, choice, &prefs] {
            QSignalBlocker block(toggle);
            toggle->setChecked(holdsPreset(prefs.widthPresets(), choice));
        });
        // The setter stores the list under "widthPresets" as it changes it.
        QObject::connect(toggle, &QCheckBox::toggled, [choice, &prefs](bool on) {
            prefs.setWidthPresets(toggledPresets(prefs.widthPresets(), choice, on));
        });
        presets.form->addRow(toggle);
    }

    auto focus = addSection(pane, {},
                            QString::fromUtf8("Shows only the focused window, centered with space "
                                              "around it. ⌃⌥← → or a swipe brings the next window "
                                              "in."));
    focus.box->setObjectName("focusModeSection");
    QGroupBox* focusBox = focus.box;
    binder.add([focusBox, &prefs, layout = context.keyboardLayout] {
        const std::string keys =
            firstShortcutText(prefs.bindings(), Action::focusMode, layout).value_or("⌃⌥Z");
        focusBox->setTitle(QString::fromStdString("Focus mode (" + keys + ")"));
    });
    focus.form->addRow("Window width",
                       new PercentSlider(binder, "focusWidth", 0.4, 0.95, &Preferences::focusWidth,
                                         &Preferences::setFocusWidth));
    focus.form->addRow("Window height",
                       new PercentSlider(binder, "focusHeight", 0.5, 1.0, &Preferences::focusHeight,
                                         &Preferences::setFocusHeight));

    auto scrolling = addSection(pane, "Scrolling");
    static constexpr std::array<std::pair<CenterMode, const char*>, 3> modes{{
        {CenterMode::never, "Just in view (scroll as little as possible)"},
        {CenterMode::onOverflow, "Centered when the strip overflows"},
        {CenterMode::always, "Always centered"},
    }};
    scrolling.form->addRow("Keep the focused window",
                           boundPicker(binder, "centerMode", modes, &Preferences::centerMode,
                                       &Preferences::setCenterMode));
    finishPane(pane);
    return pane;
}

QWidget* makeGesturesPane(SettingsBinder& binder) {
    QWidget* pane = newPane();
    Preferences& prefs = binder.prefs();
    auto swipe = addSection(pane, {},
                            "The strip moves 1:1 with your fingers and settles on the nearest "
                            "window when you let go. If your desktop also switches workspaces, "
                            "see Desktop Setup.");
    swipe.form->addRow(
        boundToggle(binder, "gesturesEnabled", "Slide the strip with a trackpad swipe",
                    &Preferences::gesturesEnabled, &Preferences::setGesturesEnabled));
    // Segmented: two exclusive buttons.
    auto* fingers = new QWidget;
    fingers->setObjectName("gestureFingers");
    auto* fingerRow = new QHBoxLayout(fingers);
    fingerRow->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(fingers);
    for (int count : {3, 4}) {
        auto* button = new QRadioButton(count == 3 ? "Three fingers" : "Four fingers");
        button->setObjectName("gestureFingers:" + QString::number(count));
        group->addButton(button, count);
        fingerRow->addWidget(button);
    }
    fingerRow->addStretch(1);
    QObject::connect(group, &QButtonGroup::idToggled, [&prefs](int id, bool on) {
        if (on) prefs.setGestureFingers(id);
    });
    swipe.form->addRow("Fingers", fingers);
    auto* sensitivity =
        new RangeSlider(binder, "gestureSensitivity", 0.4, 2.5, &Preferences::gestureSensitivity,
                        &Preferences::setGestureSensitivity);
    swipe.form->addRow("Sensitivity", sensitivity);
    auto* natural =
        boundToggle(binder, "naturalSwipe", "Natural direction (windows follow your fingers)",
                    &Preferences::naturalSwipe, &Preferences::setNaturalSwipe);
    swipe.form->addRow(natural);
    QFormLayout* form = swipe.form;
    binder.add([=, &prefs] {
        QSignalBlocker block(group);
        if (auto* button = group->button(static_cast<int>(prefs.gestureFingers())))
            button->setChecked(true);
        const bool on = prefs.gesturesEnabled();
        form->setRowVisible(fingers, on);
        form->setRowVisible(sensitivity, on);
        form->setRowVisible(natural, on);
    });

    auto scroll = addSection(pane, {},
                             QString::fromUtf8("Works with any mouse wheel or a two-finger "
                                               "trackpad scroll while holding the base modifier "
                                               "(⌃⌥ by default)."));
    scroll.form->addRow(boundToggle(binder, "modifierScroll",
                                    "Hold the shortcut modifiers and scroll to slide the strip",
                                    &Preferences::modifierScroll, &Preferences::setModifierScroll));
    finishPane(pane);
    return pane;
}

QWidget* makeAboutPane(UiContext& context) {
    auto* pane = new QWidget;
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(30, 30, 30, 30);
    column->setAlignment(Qt::AlignHCenter);
    column->addStretch(1);

    auto* icon = new QLabel;
    icon->setObjectName("appIcon");
    const qreal scale = pane->devicePixelRatioF();
    QPixmap picture(QSize(96, 96) * scale);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(QByteArray(appIconSvg.data(), static_cast<qsizetype>(appIconSvg.size())));
    QPainter painter(&picture);
    renderer.render(&painter);
    painter.end();
    picture.setDevicePixelRatio(scale);
    icon->setPixmap(picture);
    icon->setAlignment(Qt::AlignCenter);
    column->addWidget(icon);

    auto* name = new QLabel("Tessarin");
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    column->addWidget(name);

    const std::string version = context.version.empty() ? "1.0" : context.version;
    auto* versionLabel = secondaryLabel(QString::fromStdString("Version " + version));
    versionLabel->setObjectName("version");
    versionLabel->setAlignment(Qt::AlignCenter);
    column->addWidget(versionLabel);

    auto* tagline = new QLabel(
        "Your windows, side by side on an endless strip.\nNo account. No tracking. Works offline.");
    tagline->setAlignment(Qt::AlignCenter);
    column->addWidget(tagline);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* website = new QPushButton("Website");
    QObject::connect(website, &QPushButton::clicked,
                     [] { QDesktopServices::openUrl(QUrl(kWebsite)); });
    auto* mail = new QPushButton("Email Support");
    QObject::connect(mail, &QPushButton::clicked,
                     [] { QDesktopServices::openUrl(QUrl(kSupportMail)); });
    buttons->addWidget(website);
    buttons->addWidget(mail);
    buttons->addStretch(1);
    column->addLayout(buttons);

    auto* automation = secondaryLabel(
        "Automation: open tessarin://focusRight (any action name), or run tessarin msg "
        "focusRight, from a terminal, a launcher or a script.");
    QFont small = automation->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    automation->setFont(small);
    automation->setWordWrap(true);
    automation->setAlignment(Qt::AlignCenter);
    column->addWidget(automation);
    column->addStretch(1);
    return pane;
}

}  // namespace tessarin
