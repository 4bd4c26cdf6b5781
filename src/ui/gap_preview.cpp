#include "ui/gap_preview.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "engine/window_manager.hpp"
#include "ui/focus_border.hpp"

namespace tessarin {

namespace {

Rect shifted(const Rect& rect, const Rect& by) {
    return {rect.x - by.x, rect.y - by.y, rect.width, rect.height};
}

QRectF toQt(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

QFont captionFont() {
    QFont font;
    font.setPixelSize(22);
    font.setWeight(QFont::DemiBold);
    return font;
}

}  // namespace

GapPreviewPicture previewPicture(const GapPreviewScreen& screen) {
    GapPreviewPicture picture;
    picture.bounds = {0, 0, screen.displayFrame.width, screen.displayFrame.height};
    picture.area = shifted(screen.area, screen.displayFrame);
    for (const Rect& window : screen.windows)
        picture.windows.push_back(shifted(window, screen.displayFrame));
    return picture;
}

GapPreviewOverlay::GapPreviewOverlay(bool masked)
    : QWidget(nullptr, Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint |
                           Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::Tool |
                           Qt::WindowStaysOnTopHint),
      masked_(masked) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Tessarin gap preview"));
}

void GapPreviewOverlay::setPicture(GapPreviewPicture picture, QString caption) {
    picture_ = std::move(picture);
    caption_ = std::move(caption);
    if (masked_) {
        // A translucent window without a compositor would black out the desktop: only the
        // drawn shapes may cover it.
        setMask(paintedRegion(size(), [this](QPainter& p) { draw(p, true); }));
    }
    update();
}

QRectF GapPreviewOverlay::captionBox(const QFont& font) const {
    const QFontMetricsF metrics(font);
    const QSizeF text(metrics.horizontalAdvance(caption_), metrics.height());
    const QSizeF box(text.width() + 36, text.height() + 20);
    const QPointF centre = toQt(picture_.bounds).center();
    return {centre.x() - box.width() / 2, centre.y() - box.height() / 2, box.width(), box.height()};
}

void GapPreviewOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, false);
}

void GapPreviewOverlay::draw(QPainter& painter, bool mask) const {
    const QColor accent = palette().color(QPalette::Active, QPalette::Highlight);
    auto colour = [&](QColor wanted, double alpha) {
        if (mask) return QColor(Qt::color1);
        wanted.setAlphaF(static_cast<float>(alpha));
        return wanted;
    };
    const QRectF area = toQt(picture_.area);

    // Straight edges on whole points need no antialiasing, and large antialiased fills are what
    // a drag step would spend its time on: only the rounded shapes get it.
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The outer gap as a tinted frame: the whole overlay with the area as a hole.
    const QRegion margin = QRegion(toQt(picture_.bounds).toAlignedRect()) - QRegion(area.toRect());
    for (const QRect& band : margin)
        painter.fillRect(band, colour(accent, 0.28));

    QPen dashed(colour(accent, 1), 2);
    dashed.setDashPattern({8.0 / 2, 5.0 / 2});  // in units of the pen's width
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);

    for (const Rect& window : picture_.windows) {
        const QRectF shape = toQt(window.insetBy(1));
        // Without a compositor the fill would be opaque: the mask leaves the windows' insides
        // out. The faint fill's corners need no smoothing; the white outline over it has it.
        if (!mask) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour(Qt::black, 0.22));
            painter.drawRoundedRect(shape, 10, 10);
        }
        painter.setRenderHint(QPainter::Antialiasing, !mask);
        painter.setPen(QPen(colour(Qt::white, 0.9), 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(shape, 10, 10);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    painter.setRenderHint(QPainter::Antialiasing, !mask);

    if (caption_.isEmpty()) return;
    const QFont font = captionFont();
    const QRectF box = captionBox(font);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour(Qt::black, 0.65));
    painter.drawRoundedRect(box, 12, 12);
    if (mask) return;
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(18, 10, -18, -10), Qt::AlignCenter, caption_);
}

GapPreview::GapPreview(WindowManager& engine, std::function<bool()> compositing)
    : engine_(engine), compositing_(std::move(compositing)) {}

GapPreview::~GapPreview() = default;

std::vector<QWidget*> GapPreview::overlays() const {
    std::vector<QWidget*> result;
    for (const auto& overlay : overlays_)
        result.push_back(overlay.get());
    return result;
}

void GapPreview::show(double gap, double outerGap, const std::string& caption) {
    const std::vector<GapPreviewScreen> screens = engine_.previewLayout(gap, outerGap);
    // Whether a compositor runs matters only to new overlays: asking costs a round trip to the
    // server, and a drag shows the preview on every movement.
    if (overlays_.size() < screens.size()) {
        const bool masked = compositing_ && !compositing_();
        while (overlays_.size() < screens.size())
            overlays_.push_back(std::make_unique<GapPreviewOverlay>(masked));
    }
    for (std::size_t i = 0; i < overlays_.size(); ++i) {
        GapPreviewOverlay& overlay = *overlays_[i];
        if (i >= screens.size()) {
            overlay.hide();
            continue;
        }
        const Rect& frame = screens[i].displayFrame;
        overlay.setGeometry(static_cast<int>(std::lround(frame.x)),
                            static_cast<int>(std::lround(frame.y)),
                            static_cast<int>(std::lround(frame.width)),
                            static_cast<int>(std::lround(frame.height)));
        overlay.setPicture(previewPicture(screens[i]), QString::fromStdString(caption));
        overlay.show();
        overlay.raise();
    }
}

void GapPreview::hide() {
    for (const auto& overlay : overlays_)
        overlay->hide();
}

}  // namespace tessarin
