#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_types.hpp"

namespace tessarin {

class WindowManager;

// What one overlay draws, in its own coordinates (origin at the display's top-left corner).
struct GapPreviewPicture {
    Rect bounds;
    Rect area;
    std::vector<Rect> windows;

    bool operator==(const GapPreviewPicture&) const = default;
};
// The engine's frames are in top-left screen coordinates, as X11's and Qt's are: shifting by
// the display's origin is all it takes.
GapPreviewPicture previewPicture(const GapPreviewScreen& screen);

class GapPreviewOverlay;

// While a gap slider is dragged: one click-through overlay per display showing where the
// windows would go with the gaps being tried, and a caption naming the value.
class GapPreview {
  public:
    // `compositing` says whether translucent windows blend (empty: assume they do); without,
    // each overlay is shaped to what it draws so the rest of the desktop shows through.
    explicit GapPreview(WindowManager& engine, std::function<bool()> compositing = {});
    ~GapPreview();
    GapPreview(const GapPreview&) = delete;
    GapPreview& operator=(const GapPreview&) = delete;

    void show(double gap, double outerGap, const std::string& caption);
    void hide();

    // Every overlay made so far: they are reused, never closed.
    std::vector<QWidget*> overlays() const;

  private:
    WindowManager& engine_;
    std::function<bool()> compositing_;
    std::vector<std::unique_ptr<GapPreviewOverlay>> overlays_;
};

// One display's overlay.
class GapPreviewOverlay : public QWidget {
  public:
    explicit GapPreviewOverlay(bool masked);

    void setPicture(GapPreviewPicture picture, QString caption);
    const GapPreviewPicture& picture() const { return picture_; }
    const QString& caption() const { return caption_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    // Paints the preview; `mask` paints the covered pixels in Qt::color1 instead.
    void draw(QPainter& painter, bool mask) const;
    QRectF captionBox(const QFont& font) const;

    bool masked_;
    GapPreviewPicture picture_;
    QString caption_;
};

}  // namespace tessarin
