#pragma once

#include <QRegion>
#include <QSize>
#include <functional>
#include <memory>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "engine/engine_hooks.hpp"

class QPainter;
class QWidget;

namespace tessarin {

// The region a drawing covers, for windows that must show the desktop wherever they draw
// nothing when no compositor blends them: `draw` paints with Qt::color1 into a bitmap.
QRegion paintedRegion(QSize size, const std::function<void(QPainter&)>& draw);

// Where the outline window goes and what it strokes.
struct BorderGeometry {
    static constexpr double kRadius = 12;

    Rect window;  // the focused window's frame grown by the width on every side
    Rect stroke;  // in the window's own coordinates: the path the pen follows
    double width = 0;

    bool operator==(const BorderGeometry&) const = default;
};
BorderGeometry borderGeometry(const Rect& frame, double width);
// What the ring covers, in the outline window's own coordinates.
QRegion ringRegion(const BorderGeometry& geometry);

// The focus outline as a toolkit window, for the simulated desktop and the screenshots: a
// click-through window with a rounded ring in the palette's highlight colour around the focused
// window. Works without a compositor: the window is shaped to the ring, so the rest of it never
// covers anything. On X the program draws the outline with the server instead (XFocusOutline).
class BorderWindow : public FocusBorder {
  public:
    BorderWindow();
    ~BorderWindow() override;

    void show(const Rect& frame, WindowID window, double width) override;
    void hide() override;

    // The outline window once shown (for tests and screenshots).
    QWidget* window() const;

  private:
    class View;

    std::unique_ptr<View> view_;
};

}  // namespace tessarin
