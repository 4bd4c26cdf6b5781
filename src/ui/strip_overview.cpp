#include "ui/strip_overview.hpp"

#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace tessarin {

namespace overview {

double scale(const std::vector<StripIndicatorModel::Column>& columns, double viewWidth,
             std::optional<double> mainScreenWidth) {
    const double total = columns.empty() ? 0 : columns.back().x + columns.back().width;
    const double cap = kMaxDisplayWidth / std::max(viewWidth, 1.0);
    if (mainScreenWidth) {
        double s = kScreenShare * *mainScreenWidth;
        if (total >= 1) s /= total;
        return std::min(s, cap);
    }
    return total >= 1 ? std::min(kNoScreenWidth / total, cap) : std::min(cap, kNoScreenWidth);
}

Layout layout(const StripIndicatorModel& model, double s) {
    Layout result;
    const auto& columns = model.columns;
    result.content = columns.empty() ? 0 : (columns.back().x + columns.back().width) * s;
    const Rect viewport{model.scroll * s, 0, model.viewWidth * s, kTileHeight + 8};
    // A viewport scrolled before the strip's start stays whole: everything moves right.
    result.minX = std::min(0.0, viewport.minX());
    result.maxX = std::max(result.content, viewport.maxX());
    const double shift = kPadding - result.minX;
    result.viewport = {viewport.x + shift, kPadding, viewport.width, viewport.height};
    for (const auto& column : columns) {
        Tile tile;
        tile.index = column.index;
        tile.focused = column.focused;
        const double drawn = column.width * s;
        tile.frame = {column.x * s + shift, kPadding + 4, std::max(drawn, kMinTileWidth),
                      kTileHeight};
        tile.iconCount = static_cast<int>(std::min<std::size_t>(column.icons.size(), kMaxIcons));
        const double limit = column.icons.size() < 2 ? 28 : 16;
        tile.iconSide = std::min(std::max(drawn - 8, 12.0), limit);
        const double stack = tile.iconCount * tile.iconSide + std::max(0, tile.iconCount - 1) * 2.0;
        tile.icons = {tile.frame.midX() - tile.iconSide / 2,
                      tile.frame.y + (kTileHeight - stack) / 2, tile.iconSide, tile.iconSide};
        result.tiles.push_back(tile);
    }
    result.panel = {result.maxX - result.minX + 2 * kPadding, kTileHeight + 8 + 2 * kPadding};
    return result;
}

std::optional<std::int64_t> tileAt(const Layout& layout, Point point) {
    for (const Tile& tile : layout.tiles) {
        if (tile.frame.contains(point)) return tile.index;
    }
    return std::nullopt;
}

Point origin(const Rect& visible, const Size& panel) {
    return {visible.x + (visible.width - panel.width) / 2,
            visible.maxY() - kBottomMargin - panel.height};
}

void Fade::schedule(double now, bool sticky) {
    phase_ = Phase::counting;
    sticky_ = sticky;
    lastActive_ = now;
}

Fade::Result Fade::tick(double now, bool hover, bool held, bool inside) {
    switch (phase_) {
        case Phase::hidden:
            return {Step::none, 0};
        case Phase::counting:
            // Held modifiers mean keyboard navigation goes on; an overview asked for by the
            // command keeps its own time whatever the keys.
            if (hover || (held && !sticky_)) {
                lastActive_ = now;
                return {};
            }
            if (now - lastActive_ > (sticky_ ? kStickyIdle : kIdle)) {
                phase_ = Phase::fading;
                fadeStart_ = now;
                return {Step::setOpacity, 1};
            }
            return {};
        case Phase::fading: {
            const double progress = (now - fadeStart_) / kDuration;
            if (progress < 1) return {Step::setOpacity, 1 - progress};
            if (inside) {
                phase_ = Phase::counting;
                lastActive_ = now;
                return {Step::reappear, 1};
            }
            phase_ = Phase::hidden;
            return {Step::hide, 0};
        }
    }
    return {};
}

}  // namespace overview

namespace {

QRectF toQt(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

// A stand-in for an icon the theme does not have: the name's first letter on a tile whose
// colour comes from the name, so one application always looks the same.
void drawLetterTile(QPainter& painter, const QRectF& rect, const std::string& name) {
    const std::size_t hash = std::hash<std::string>{}(name);
    const QColor fill = QColor::fromHsv(static_cast<int>(hash % 360), 140, 200);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, rect.width() * 0.22, rect.width() * 0.22);
    std::size_t start = name.find_last_of("/.");
    start = start == std::string::npos || start + 1 >= name.size() ? 0 : start + 1;
    if (name.empty()) return;
    QFont font = painter.font();
    font.setPixelSize(std::max(6, static_cast<int>(rect.height() * 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect, Qt::AlignCenter, QString(QChar(name[start])).toUpper());
}

}  // namespace

// The panel's contents, drawn dark whatever the palette: it floats over arbitrary windows.
class OverviewView : public QWidget {
  public:
    OverviewView(std::function<void(std::int64_t)> select, bool masked)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                               Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint),
          select_(std::move(select)),
          masked_(masked) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TranslucentBackground);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QStringLiteral("Tessarin overview"));
        resize(200, 80);
    }

    void setContents(const StripIndicatorModel& model, overview::Layout layout) {
        // Layout passes refresh the panel often with nothing changed; a repaint is its cost.
        if (model == model_ && layout == layout_) return;
        model_ = model;
        layout_ = std::move(layout);
        QWidget::update();
    }
    const overview::Layout& layout() const { return layout_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor accent = palette().color(QPalette::Active, QPalette::Highlight);
        painter.drawPixmap(0, 0, stamp(QStringLiteral("panel"), size(), [](QPainter& p, QRectF r) {
                               p.setPen(QPen(QColor(255, 255, 255, 20), 1));
                               p.setBrush(QColor(28, 28, 30, 235));
                               p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
                           }));
        for (std::size_t i = 0; i < layout_.tiles.size(); ++i) {
            const overview::Tile& tile = layout_.tiles[i];
            const QRectF face = toQt(tile.frame);
            const QString key = tile.focused ? QStringLiteral("focused ") + accent.name() : "tile";
            const QPixmap& faceStamp = stamp(key, face.size(), [&](QPainter& p, QRectF r) {
                QColor fill = tile.focused ? accent : QColor(Qt::white);
                fill.setAlphaF(tile.focused ? 0.55f : 0.14f);
                p.setPen(Qt::NoPen);
                p.setBrush(fill);
                p.drawRoundedRect(r, 5, 5);
                if (!tile.focused) return;
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(QColor(255, 255, 255, 230), 1.5));
                p.drawRoundedRect(r.adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
            });
            painter.drawPixmap(face.topLeft(), faceStamp);
            const auto& icons = model_.columns[i].icons;
            QRectF square = toQt(tile.icons);
            painter.setRenderHint(QPainter::Antialiasing);
            for (int k = 0; k < tile.iconCount; ++k) {
                drawIcon(painter, square, icons[static_cast<std::size_t>(k)]);
                square.translate(0, tile.iconSide + 2);
            }
        }
        const QRectF viewport = toQt(layout_.viewport);
        painter.drawPixmap(
            viewport.topLeft(),
            stamp(QStringLiteral("viewport"), viewport.size(), [](QPainter& p, QRectF r) {
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(QColor(255, 255, 255, 217), 1.5));
                p.drawRoundedRect(r.adjusted(0.75, 0.75, -0.75, -0.75), 7, 7);
            }));
    }

    void resizeEvent(QResizeEvent*) override {
        // Without a compositor the transparent corners would be black: cut them away.
        if (!masked_) return;
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 14, 14);
        setMask(QRegion(shape.toFillPolygon().toPolygon()));
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        const QPointF at = event->position();
        if (auto index = overview::tileAt(layout_, {at.x(), at.y()})) select_(*index);
    }

    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const auto index =
                overview::tileAt(layout_, {help->pos().x() + 0.0, help->pos().y() + 0.0});
            QString text;
            for (const auto& column : model_.columns) {
                if (!index || column.index != *index) continue;
                QStringList titles;
                for (const std::string& title : column.titles)
                    titles << QString::fromStdString(title);
                text = titles.join(QLatin1Char('\n'));
            }
            if (text.isEmpty()) {
                QToolTip::hideText();
            } else {
                QToolTip::showText(help->globalPos(), text, this);
            }
            return true;
        }
        return QWidget::event(event);
    }

  private:
    // Shapes drawn once per size and copied afterwards: filling an antialiased path costs far
    // more than copying a pixmap, and the panel repaints on every refresh while a strip scrolls.
    const QPixmap& stamp(const QString& name, QSizeF size,
                         const std::function<void(QPainter&, QRectF)>& draw) {
        const qreal ratio = devicePixelRatioF();
        const QString key =
            name + QStringLiteral(" %1x%2@%3").arg(size.width()).arg(size.height()).arg(ratio);
        auto found = stamps_.find(key);
        if (found != stamps_.end()) return found->second;
        if (stamps_.size() > 64) stamps_.clear();
        QPixmap pixmap(static_cast<int>(std::ceil(size.width() * ratio)),
                       static_cast<int>(std::ceil(size.height() * ratio)));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            draw(painter, QRectF(QPointF(), size));
        }
        return stamps_.emplace(key, std::move(pixmap)).first->second;
    }

    void drawIcon(QPainter& painter, const QRectF& square, const std::string& name) {
        auto cached = icons_.find(name);
        if (cached == icons_.end()) {
            QIcon icon = QIcon::fromTheme(QString::fromStdString(name));
            const QString path = QString::fromStdString(name);
            if (icon.isNull() && path.contains(QLatin1Char('/')) && QFile::exists(path))
                icon = QIcon(path);
            cached = icons_.emplace(name, icon).first;
        }
        if (!cached->second.isNull()) {
            cached->second.paint(&painter, square.toRect());
        } else {
            drawLetterTile(painter, square, name);
        }
    }

    std::function<void(std::int64_t)> select_;
    bool masked_;
    StripIndicatorModel model_;
    overview::Layout layout_;
    std::map<std::string, QIcon> icons_;
    std::map<QString, QPixmap> stamps_;
};

OverviewPanel::OverviewPanel(std::function<void(std::int64_t, const std::string&)> select,
                             std::function<bool()> compositing)
    : select_(std::move(select)), compositing_(std::move(compositing)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { onTimer(); });
}

OverviewPanel::~OverviewPanel() {
    delete view_;
}

QWidget* OverviewPanel::panel() const {
    return view_;
}

double OverviewPanel::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - epoch_).count();
}

void OverviewPanel::show(const StripIndicatorModel& model, const Display& display, bool sticky) {
    if (model.columns.empty()) return;
    key_ = model.key;
    if (!view_) {
        const bool masked = compositing_ && !compositing_();
        view_ = new OverviewView([this](std::int64_t index) { select(index); }, masked);
    }
    update(model);
    // On the display's own screen, its visible area as the engine knows it (Qt's screens use
    // the same top-left origin); else on the main screen's.
    const QRect frame(static_cast<int>(display.frame.x), static_cast<int>(display.frame.y),
                      static_cast<int>(display.frame.width),
                      static_cast<int>(display.frame.height));
    std::optional<Rect> visible;
    for (QScreen* candidate : QGuiApplication::screens()) {
        if (candidate->geometry() == frame) visible = display.visibleFrame;
    }
    if (QScreen* main = QGuiApplication::primaryScreen(); !visible && main) {
        const QRect area = main->availableGeometry();
        visible = Rect{0.0 + area.x(), 0.0 + area.y(), 0.0 + area.width(), 0.0 + area.height()};
    }
    if (visible) {
        const Point at = overview::origin(*visible, {0.0 + view_->width(), 0.0 + view_->height()});
        view_->move(static_cast<int>(at.x), static_cast<int>(at.y));
    }
    fade_.schedule(now(), sticky);
    view_->setWindowOpacity(1);
    view_->show();
    view_->raise();
    scheduleHide();
}

void OverviewPanel::update(const StripIndicatorModel& model) {
    if (!view_) return;
    fade_.touch(now());
    QScreen* main = QGuiApplication::primaryScreen();
    const std::optional<double> mainWidth =
        main ? std::optional<double>(main->geometry().width()) : std::nullopt;
    overview::Layout layout =
        overview::layout(model, overview::scale(model.columns, model.viewWidth, mainWidth));
    const QSize size(static_cast<int>(std::ceil(layout.panel.width)),
                     static_cast<int>(std::ceil(layout.panel.height)));
    view_->setContents(model, std::move(layout));
    if (size == view_->size()) return;
    // Keep the horizontal centre and the bottom edge where they were.
    const QRect old = view_->geometry();
    view_->setGeometry(old.center().x() - size.width() / 2, old.bottom() + 1 - size.height(),
                       size.width(), size.height());
}

void OverviewPanel::hide() {
    timer_.stop();
    fade_.stop();
    if (view_) view_->hide();
}

bool OverviewPanel::isVisible() const {
    return view_ && view_->isVisible();
}

std::optional<std::string> OverviewPanel::shownKey() const {
    if (!view_) return std::nullopt;
    return key_;
}

void OverviewPanel::select(std::int64_t index) {
    const std::string key = key_;
    if (select_) select_(index, key);
    scheduleHide();
}

void OverviewPanel::scheduleHide() {
    fade_.schedule(now(), fade_.sticky());
    if (view_) view_->setWindowOpacity(1);
    timer_.start(static_cast<int>(overview::Fade::kTick * 1000));
}

void OverviewPanel::onTimer() {
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    tick(now(), QCursor::pos(),
         (held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0);
}

void OverviewPanel::tick(double now, QPoint pointer, bool modifiersHeld) {
    if (!view_) {
        timer_.stop();
        return;
    }
    const QRect frame = view_->frameGeometry();
    const auto margin = static_cast<int>(overview::Fade::kHoverMargin);
    const bool hover = frame.adjusted(-margin, -margin, margin, margin).contains(pointer);
    const auto result = fade_.tick(now, hover, modifiersHeld, frame.contains(pointer));
    switch (result.step) {
        case overview::Fade::Step::none:
            break;
        case overview::Fade::Step::setOpacity:
            view_->setWindowOpacity(result.opacity);
            // The fade runs in frames, the idle count in coarse ticks.
            timer_.setInterval(16);
            break;
        case overview::Fade::Step::reappear:
            view_->setWindowOpacity(1);
            timer_.setInterval(static_cast<int>(overview::Fade::kTick * 1000));
            break;
        case overview::Fade::Step::hide:
            timer_.stop();
            view_->hide();
            view_->setWindowOpacity(1);
            break;
    }
}

}  // namespace tessarin
