#include "ui/onboarding_view.hpp"

#include <QCheckBox>
#include <QEasingCurve>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSequentialAnimationGroup>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "ui/setup_pane.hpp"
#include "ui/shortcut_text.hpp"

namespace tessarin {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* label(const QString& text, QWidget* parent) {
    auto* made = new QLabel(text, parent);
    made->setWordWrap(true);
    return made;
}

// Text in the palette's secondary colour.
QLabel* secondary(const QString& text, QWidget* parent) {
    QLabel* made = label(text, parent);
    made->setForegroundRole(QPalette::PlaceholderText);
    return made;
}

QLabel* bold(const QString& text, double scale, QWidget* parent) {
    QLabel* made = label(text, parent);
    QFont font = made->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(true);
    made->setFont(font);
    return made;
}

// A line of text held to a readable measure in the middle of the page.
void addNarrow(QVBoxLayout* column, QLabel* line) {
    line->setFixedWidth(460);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(line);
    row->addStretch();
    column->addLayout(row);
}

QIcon themed(const char* name, QStyle::StandardPixmap fallback, const QWidget* widget) {
    return QIcon::fromTheme(name, widget->style()->standardIcon(fallback));
}

// A practice item's mark: a green disc with a tick when done, else a faint ring.
QPixmap tickPixmap(bool done, const QPalette& palette) {
    const qreal scale = qApp->devicePixelRatio();
    QPixmap pixmap(QSize(22, 22) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(2, 2, 18, 18);
    if (done) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x34, 0xc7, 0x59));
        painter.drawEllipse(circle);
        painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(QPolygonF({QPointF(6.5, 11.5), QPointF(9.5, 14.5), QPointF(15.5, 8)}));
    } else {
        painter.setPen(QPen(palette.color(QPalette::PlaceholderText), 1.5));
        painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
    }
    return pixmap;
}

// The four step dots: the current one in the accent colour, the others faint.
class StepDots : public QWidget {
  public:
    explicit StepDots(const int& step, QWidget* parent) : QWidget(parent), step_(step) {
        setFixedSize(OnboardingView::kSteps * 15, 15);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < OnboardingView::kSteps; ++i) {
            QColor colour = palette().color(QPalette::Highlight);
            if (i != step_) {
                colour = palette().color(QPalette::PlaceholderText);
                colour.setAlphaF(0.3f);
            }
            painter.setBrush(colour);
            painter.drawEllipse(QRectF(i * 15 + 4, 4, 7, 7));
        }
    }

  private:
    const int& step_;
};

}  // namespace

// --- Practice

Practice::Practice(const Bindings& bindings, const KeyboardLayout* layout) {
    auto k = [&](Action action) {
        return firstShortcutText(bindings, action, layout).value_or("—");
    };
    items_ = {
        {"focus",
         "Move focus",
         "Jump to the neighbouring window",
         k(Action::focusLeft) + "  " + k(Action::focusRight),
         {Action::focusLeft, Action::focusRight}},
        {"move",
         "Move a window",
         "Swap it with its neighbour",
         k(Action::moveLeft) + "  " + k(Action::moveRight),
         {Action::moveLeft, Action::moveRight}},
        {"width", "Change width", "Cycle ⅓ → ½ → ⅔", k(Action::cycleWidth), {Action::cycleWidth}},
        {"full",
         "Fill the screen",
         "Press again to go back",
         k(Action::fullWidth),
         {Action::fullWidth}},
        {"center", "Center", "Bring the window to the middle", k(Action::center), {Action::center}},
    };
}

std::shared_ptr<Practice> Practice::observing(WindowManager& engine, const Bindings& bindings,
                                              const KeyboardLayout* layout) {
    auto practice = std::make_shared<Practice>(bindings, layout);
    std::weak_ptr<Practice> weak = practice;
    engine.addActionObserver([weak](Action action) {
        if (auto alive = weak.lock()) alive->performed(action);
    });
    return practice;
}

void Practice::performed(Action action) {
    for (const Item& item : items_) {
        for (Action counted : item.actions) {
            if (counted != action) continue;
            if (done_.insert(item.id).second && onChange) onChange();
            return;
        }
    }
}

// --- StripIllustration

StripIllustration::StripIllustration(QWidget* parent)
    : QWidget(parent), animation_(new QSequentialAnimationGroup(this)) {
    setFixedHeight(120);
    // Out and back, three seconds each way, eased at both ends, for ever.
    for (auto [from, to] : {std::pair{0.0, 1.0}, std::pair{1.0, 0.0}}) {
        auto* leg = new QVariantAnimation(animation_);
        leg->setStartValue(from);
        leg->setEndValue(to);
        leg->setDuration(3000);
        leg->setEasingCurve(QEasingCurve::InOutSine);
        connect(leg, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& value) { setPhase(value.toDouble()); });
        animation_->addAnimation(leg);
    }
    animation_->setLoopCount(-1);
}

StripIllustration::~StripIllustration() = default;

void StripIllustration::setPhase(double phase) {
    phase_ = phase;
    update();
}

void StripIllustration::paint(QPainter& painter, const QRectF& bounds, double offset,
                              const QPalette& palette) {
    static const std::pair<QColor, QColor> gradients[] = {
        {QColor(0x6a, 0xa8, 0xff), QColor(0x2f, 0x6f, 0xe0)},  // blue
        {QColor(0xb4, 0x8a, 0xf5), QColor(0x7a, 0x45, 0xd6)},  // purple
        {QColor(0xf7, 0x8c, 0xc4), QColor(0xd8, 0x45, 0x90)},  // pink
        {QColor(0xfb, 0xbe, 0x72), QColor(0xe0, 0x7a, 0x2f)},  // orange
        {QColor(0x6e, 0xe0, 0xd0), QColor(0x2a, 0xa8, 0x98)},  // teal
    };
    constexpr double spacing = 8;
    constexpr double inset = 12;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF viewport = bounds.adjusted(1, 1, -1, -1);
    QPainterPath clip;
    clip.addRoundedRect(viewport, 10, 10);
    painter.setClipPath(clip);
    painter.setPen(Qt::NoPen);
    painter.setOpacity(0.8);
    double x = viewport.left() + spacing + offset;
    for (std::size_t i = 0; i < std::size(gradients); ++i) {
        const double width = bounds.width() * (i % 2 == 0 ? 0.42 : 0.30);
        const QRectF tile(x, viewport.top() + inset, width, viewport.height() - 2 * inset);
        QLinearGradient fill(tile.topLeft(), tile.bottomRight());
        fill.setColorAt(0, gradients[i].first);
        fill.setColorAt(1, gradients[i].second);
        painter.setBrush(fill);
        painter.drawRoundedRect(tile, 8, 8);
        x += width + spacing;
    }
    painter.setClipping(false);
    painter.setOpacity(0.7);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette.color(QPalette::WindowText), 2));
    painter.drawRoundedRect(viewport, 10, 10);
    painter.restore();
}

void StripIllustration::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect(), -0.75 * width() * phase_, palette());
}

void StripIllustration::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    animation_->start();
}

void StripIllustration::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    animation_->stop();
}

// --- OnboardingView

OnboardingView::OnboardingView(UiContext& context, std::function<void()> onFinish,
                               const KeyboardLayout* layout, QWidget* parent)
    : QWidget(parent),
      context_(context),
      onFinish_(std::move(onFinish)),
      practice_(Practice::observing(context.engine, context.prefs.bindings(), layout)),
      trusted_(context.platform.accessibility.isProcessTrusted()) {
    practice_->onChange = [this] { updateTicks(); };

    pages_ = new QStackedWidget(this);
    pages_->addWidget(welcomePage());
    pages_->addWidget(permissionPage());
    setupPage_ = new QWidget(pages_);
    new QVBoxLayout(setupPage_);
    setupPage_->layout()->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(setupPage_);
    pages_->addWidget(practicePage());

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    dots_ = new StepDots(step_, this);
    back_ = new QPushButton("Back", this);
    primary_ = new QPushButton("Continue", this);
    primary_->setDefault(true);
    connect(back_, &QPushButton::clicked, this, [this] { back(); });
    connect(primary_, &QPushButton::clicked, this, [this] { advance(); });
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, [this] {
            if (primary_->isEnabled()) primary_->click();
        });
    }

    auto* row = new QHBoxLayout;
    row->setContentsMargins(16, 10, 16, 12);
    row->addWidget(dots_);
    row->addStretch();
    row->addWidget(back_);
    row->addWidget(primary_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(pages_, 1);
    column->addWidget(divider);
    column->addLayout(row);

    poll_ = new QTimer(this);
    poll_->setInterval(1000);
    connect(poll_, &QTimer::timeout, this, [this] { pollOnce(); });
    poll_->start();

    updatePermission();
    updateTicks();
    showStep(0);
}

OnboardingView::~OnboardingView() {
    // The engine keeps its observer; the practice it points at goes with the view.
    practice_->onChange = nullptr;
}

QWidget* OnboardingView::welcomePage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(30, 30, 30, 30);
    column->setSpacing(16);
    column->addStretch();
    auto* illustration = new StripIllustration(page);
    auto* padded = new QHBoxLayout;
    padded->setContentsMargins(40, 0, 40, 0);
    padded->addWidget(illustration);
    column->addLayout(padded);
    QLabel* title = bold("Your windows, side by side", 2.0, page);
    QLabel* text = secondary(
        "Tessarin lines your windows up on a strip that's wider than your screen. "
        "Opening a window never squeezes the others: the strip just grows, and you "
        "slide along it with a swipe or a shortcut.",
        page);
    QLabel* note = label("Takes about two minutes to set up.", page);
    for (QLabel* line : {title, text, note}) {
        line->setAlignment(Qt::AlignCenter);
        if (line == text) {
            addNarrow(column, line);
        } else {
            column->addWidget(line);
        }
    }
    column->addStretch();
    return page;
}

QWidget* OnboardingView::permissionPage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(30, 30, 30, 30);
    column->setSpacing(14);
    column->addStretch();
    permissionIcon_ = new QLabel(page);
    permissionTitle_ = bold("", 1.6, page);
    QLabel* text = secondary(
        "Tessarin needs Accessibility access to move and resize other apps' windows. It is "
        "the only permission Tessarin asks for: no screen recording, no keystroke logging.",
        page);
    permissionWhy_ = secondary(
        "On X11 every program may arrange windows, so Tessarin needs no extra permission.", page);
    permissionButton_ = new QPushButton("Open Accessibility Settings", page);
    permissionButton_->setMinimumHeight(36);
    connect(permissionButton_, &QPushButton::clicked, this, [this] { askForPermission(); });
    permissionHint_ =
        secondary("Turn on Tessarin in the list. This screen updates by itself.", page);
    for (QWidget* part :
         std::initializer_list<QWidget*>{permissionIcon_, permissionTitle_, text, permissionWhy_,
                                         permissionButton_, permissionHint_}) {
        auto* line = qobject_cast<QLabel*>(part);
        if (line) line->setAlignment(Qt::AlignCenter);
        // Lines of text take the page's width unless held to a narrower measure.
        if (line == text || line == permissionWhy_) {
            addNarrow(column, line);
        } else {
            column->addWidget(part, 0, line ? Qt::Alignment() : Qt::AlignHCenter);
        }
    }
    column->addStretch();
    return page;
}

QWidget* OnboardingView::practicePage() {
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(30, 30, 30, 30);
    column->setSpacing(14);
    column->addWidget(bold("Try the five shortcuts", 1.6, page));
    column->addWidget(
        secondary("Open two or three windows (a file manager, a browser, a "
                  "terminal…), then press each shortcut once.",
                  page));
    QColor fill = palette().color(QPalette::PlaceholderText);
    const QString keysStyle = QString(
                                  "background: rgba(%1, %2, %3, 0.12); border-radius: 6px; "
                                  "padding: 4px 10px;")
                                  .arg(fill.red())
                                  .arg(fill.green())
                                  .arg(fill.blue());
    for (const Practice::Item& item : practice_->items()) {
        auto* row = new QHBoxLayout;
        auto* tick = new QLabel(page);
        ticks_.push_back(tick);
        auto* words = new QVBoxLayout;
        words->setSpacing(2);
        QLabel* title = bold(qs(item.title), 1.0, page);
        words->addWidget(title);
        words->addWidget(secondary(qs(item.hint), page));
        auto* keys = new QLabel(qs(item.keys), page);
        keys->setStyleSheet(keysStyle);
        row->addWidget(tick);
        row->addLayout(words, 1);
        row->addWidget(keys);
        column->addLayout(row);
    }
    column->addWidget(
        secondary("All shortcuts are listed in the menu of the tray icon and can "
                  "be changed in Settings › Shortcuts.",
                  page));
    if (context_.loginItem) {
        loginToggle_ = new QCheckBox("Open Tessarin when I log in", page);
        loginToggle_->setChecked(true);
        column->addSpacing(4);
        column->addWidget(loginToggle_);
    }
    column->addStretch();
    return page;
}

void OnboardingView::askForPermission() {
    // The setup check's fix asks and opens the desktop's own settings where there are any.
    SetupContext setup;
    setup.gesturesEnabled = context_.prefs.gesturesEnabled();
    setup.gestureFingers = static_cast<int>(context_.prefs.gestureFingers());
    for (const SetupFinding& finding : context_.platform.setupCheck.check(setup)) {
        if (finding.id == "ax" && finding.fix) {
            (*finding.fix)();
            return;
        }
    }
    context_.platform.accessibility.isProcessTrustedWithPrompt();
}

// A closed tour is only hidden: it stops asking, so it never starts tiling behind the user.
void OnboardingView::showEvent(QShowEvent* event) {
    poll_->start();
    QWidget::showEvent(event);
}

void OnboardingView::hideEvent(QHideEvent* event) {
    poll_->stop();
    QWidget::hideEvent(event);
}

void OnboardingView::pollOnce() {
    trusted_ = context_.platform.accessibility.isProcessTrusted();
    // Tiling begins the moment permission comes, unless the user paused it.
    if (trusted_ && !context_.engine.isPaused()) context_.engine.start();
    updatePermission();
}

void OnboardingView::updatePermission() {
    const int size = 56;
    const QIcon icon = trusted_ ? themed("security-high", QStyle::SP_DialogApplyButton, this)
                                : themed("changes-prevent", QStyle::SP_MessageBoxWarning, this);
    permissionIcon_->setPixmap(icon.pixmap(size, size));
    permissionTitle_->setText(trusted_ ? "Permission granted" : "One permission");
    permissionWhy_->setVisible(trusted_);
    permissionButton_->setVisible(!trusted_);
    permissionHint_->setVisible(!trusted_);
    primary_->setEnabled(step_ != 1 || trusted_);
}

void OnboardingView::updateTicks() {
    const auto& items = practice_->items();
    for (std::size_t i = 0; i < items.size() && i < ticks_.size(); ++i) {
        const bool done = practice_->done().count(items[i].id) > 0;
        ticks_[i]->setPixmap(tickPixmap(done, palette()));
        ticks_[i]->setEnabled(done);
    }
}

void OnboardingView::showStep(int step) {
    // Leaving the setup check ends its refreshing; coming back reads the desktop afresh.
    if (step != 2 && setupPane_) {
        delete setupPane_;
        setupPane_ = nullptr;
    } else if (step == 2 && !setupPane_) {
        setupPane_ = new SetupPane(context_, setupPage_);
        setupPage_->layout()->addWidget(setupPane_);
    }
    step_ = step;
    pages_->setCurrentIndex(step);
    back_->setVisible(step > 0);
    primary_->setText(step == kSteps - 1 ? "Done" : "Continue");
    primary_->setEnabled(step != 1 || trusted_);
    dots_->update();
}

void OnboardingView::advance() {
    if (step_ == 1 && !trusted_) return;
    if (step_ < kSteps - 1) {
        showStep(step_ + 1);
    } else {
        finish();
    }
}

void OnboardingView::back() {
    if (step_ > 0) showStep(step_ - 1);
}

void OnboardingView::finish() {
    context_.prefs.setHasCompletedOnboarding(true);
    if (context_.loginItem) {
        // Failures are left for the settings window to show.
        if (loginToggle_->isChecked()) {
            context_.loginItem->registerItem();
        } else {
            context_.loginItem->unregisterItem();
        }
    }
    if (onFinish_) onFinish_();
}

}  // namespace tessarin
