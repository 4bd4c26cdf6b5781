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

// The focus outline: a click-through window kept just above the focused window, with a rounded
// ring in the palette's highlight colour around it. Works without a compositor: the window is
// shaped to the ring, so the rest of it never covers anything.
class BorderWindow : public FocusBorder {
  public:
    // `stackAbove(ownWindow, target)` puts the outline window directly above the target's
    // frame; the program has the X connection for it. May be empty.
    explicit BorderWindow(
        std::function<void(unsigned long ownWindow, WindowID target)> stackAbove = {});
    ~BorderWindow() override;

    void show(const Rect& frame, WindowID window, double width) override;
    void hide() override;

    // The outline window once shown (for tests and screenshots).
    QWidget* window() const;

  private:
    class View;

    std::function<void(unsigned long, WindowID)> stackAbove_;
    std::unique_ptr<View> view_;
};

}  // namespace tessarin
