#include "ui/strip_picture.hpp"

#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tessarin {

namespace {

QRectF toQt(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

}  // namespace

Point PictureTransform::map(Point desktop) const {
    return {(desktop.x - origin.x) * scale + kMargin, (desktop.y - origin.y) * scale + kMargin};
}

Rect PictureTransform::map(const Rect& desktop) const {
    const Point at = map(desktop.origin());
    return {at.x, at.y, desktop.width * scale, desktop.height * scale};
}

PictureTransform pictureTransform(const StripPicture& picture) {
    PictureTransform result;
    const Rect bounds = picture.bounds();
    result.origin = bounds.origin();
    const double room = PictureTransform::kMaxWidth - 2 * PictureTransform::kMargin;
    // Large desktops shrink to fit; small ones are not blown up.
    result.scale = bounds.width > room ? room / bounds.width : 1;
    result.image = {std::ceil(bounds.width * result.scale) + 2 * PictureTransform::kMargin,
                    std::ceil(bounds.height * result.scale) + 2 * PictureTransform::kMargin};
    return result;
}

QImage QtPictureWriter::render(const StripPicture& picture) {
    const PictureTransform transform = pictureTransform(picture);
    QImage image(static_cast<int>(transform.image.width), static_cast<int>(transform.image.height),
                 QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);

    for (const StripPicture::Screen& screen : picture.screens) {
        painter.setPen(QPen(screen.active ? kFocused.lighter(130) : QColor(0x55, 0x59, 0x60), 2));
        painter.setBrush(kDisplay);
        painter.drawRect(toQt(transform.map(screen.frame)));
    }
    std::vector<Rect> drawn;
    for (const StripPicture::Window& window : picture.windows) {
        const QRectF frame = toQt(transform.map(window.frame));
        QPen outline(window.focused ? QColor(Qt::white) : QColor(0xd0, 0xd4, 0xdc),
                     window.focused ? 2.5 : 1.5);
        // Parked columns wait beside the display: dashed, so they read as off screen.
        if (window.parked) outline.setStyle(Qt::DashLine);
        painter.setPen(outline);
        QColor fill = window.focused ? kFocused : kWindow;
        if (window.parked || window.role != "tiled") fill.setAlpha(window.parked ? 90 : 170);
        painter.setBrush(fill);
        painter.drawRoundedRect(frame.adjusted(1, 1, -1, -1), 4, 4);
        // Parked columns pile up on one spot: their labels go one below the other.
        const auto below = std::count(drawn.begin(), drawn.end(), window.frame);
        drawn.push_back(window.frame);
        painter.setPen(Qt::white);
        const QString label = QString::fromStdString(
            window.role == "tiled" ? window.label : window.label + " " + window.role);
        painter.drawText(frame.adjusted(6, 4 + 16.0 * static_cast<double>(below), -6, -4),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }
    // The displays' names last, so windows never cover them.
    for (const StripPicture::Screen& screen : picture.screens) {
        const QRectF frame = toQt(transform.map(screen.frame));
        const QString name = QString::fromStdString(screen.name + "  " + screen.uuid);
        QRectF box = painter.fontMetrics().boundingRect(name).adjusted(-6, -3, 6, 3);
        box.moveBottomLeft(frame.bottomLeft() + QPointF(6, -6));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 170));
        painter.drawRoundedRect(box, 4, 4);
        painter.setPen(QColor(0xe0, 0xe3, 0xe8));
        painter.drawText(box, Qt::AlignCenter, name);
    }
    painter.end();
    return image;
}

std::optional<std::string> QtPictureWriter::write(const StripPicture& picture,
                                                  const std::string& path) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::string("pictures need a QGuiApplication for their text");
    QImageWriter writer(QString::fromStdString(path), "png");
    if (!writer.write(render(picture))) return writer.errorString().toStdString();
    return std::nullopt;
}

}  // namespace tessarin
