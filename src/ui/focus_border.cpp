#include "ui/focus_border.hpp"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>
#include <cmath>

namespace tessarin {

QRegion paintedRegion(QSize size, const std::function<void(QPainter&)>& draw) {
    QBitmap bitmap(size);
    bitmap.fill(Qt::color0);
    {
        QPainter painter(&bitmap);
        draw(painter);
    }
    return QRegion(bitmap);
}

BorderGeometry borderGeometry(const Rect& frame, double width) {
    BorderGeometry result;
    result.width = width;
    // Grown by the width, the ring lies wholly outside the focused window.
    result.window = frame.insetBy(-width);
    result.stroke = Rect{0, 0, result.window.width, result.window.height}.insetBy(width / 2);
    return result;
}

namespace {

void drawRing(QPainter& painter, const BorderGeometry& geometry, const QColor& colour) {
    const Rect& r = geometry.stroke;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, geometry.width));
    painter.drawRoundedRect(QRectF(r.x, r.y, r.width, r.height), BorderGeometry::kRadius,
                            BorderGeometry::kRadius);
}

}  // namespace

QRegion ringRegion(const BorderGeometry& geometry) {
    const QSize size(static_cast<int>(std::lround(geometry.window.width)),
                     static_cast<int>(std::lround(geometry.window.height)));
    return paintedRegion(size, [&](QPainter& p) { drawRing(p, geometry, Qt::color1); });
}

class BorderWindow::View : public QWidget {
  public:
    View()
        : QWidget(nullptr, Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint |
                               Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::Tool) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        setWindowTitle(QStringLiteral("Tessarin focus outline"));
    }

    void place(const BorderGeometry& geometry) {
        const bool reshape = !shaped_ || geometry_.stroke.size() != geometry.stroke.size() ||
                             geometry_.width != geometry.width;
        geometry_ = geometry;
        const Rect& at = geometry.window;
        const QRect wanted(static_cast<int>(std::lround(at.x)), static_cast<int>(std::lround(at.y)),
                           static_cast<int>(std::lround(at.width)),
                           static_cast<int>(std::lround(at.height)));
        // Every layout pass reports the focused frame, mostly unchanged.
        if (wanted != QWidget::geometry()) setGeometry(wanted);
        // A move keeps both the shape and the picture: the border follows every animation
        // frame, so only a new size or width costs a repaint. Only the ring covers the
        // desktop, with or without a compositor.
        if (!reshape) return;
        shaped_ = true;
        setMask(ringRegion(geometry_));
        QWidget::update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        drawRing(painter, geometry_, palette().color(QPalette::Active, QPalette::Highlight));
    }

  private:
    BorderGeometry geometry_;
    bool shaped_ = false;
};

BorderWindow::BorderWindow() = default;

BorderWindow::~BorderWindow() = default;

QWidget* BorderWindow::window() const {
    return view_.get();
}

void BorderWindow::show(const Rect& frame, WindowID, double width) {
    if (!view_) view_ = std::make_unique<View>();
    view_->place(borderGeometry(frame, width));
    if (!view_->isVisible()) view_->show();
}

void BorderWindow::hide() {
    if (view_) view_->hide();
}

}  // namespace tessarin
