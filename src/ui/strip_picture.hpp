#pragma once

#include <QColor>
#include <QImage>
#include <optional>
#include <string>

#include "scenario/scenario_picture.hpp"

namespace tessarin {

// Where a picture's desktop lands in the image: image = (desktop - origin) * scale + margin.
struct PictureTransform {
    static constexpr double kMaxWidth = 1600;
    static constexpr double kMargin = 24;

    Point origin;
    double scale = 1;
    Size image;

    Point map(Point desktop) const;
    Rect map(const Rect& desktop) const;
};
PictureTransform pictureTransform(const StripPicture& picture);

// The scenario pictures drawn with QPainter: displays as dark rectangles with their names,
// windows as labelled frames, the focused one filled with the highlight colour, parked
// columns dashed at the displays' edges. Text needs a QGuiApplication to exist.
class QtPictureWriter : public PictureWriter {
  public:
    static inline const QColor kBackground{0x20, 0x21, 0x24};
    static inline const QColor kDisplay{0x3a, 0x3d, 0x44};
    static inline const QColor kWindow{0x6b, 0x72, 0x80};
    static inline const QColor kFocused{0x3d, 0x8b, 0xff};

    static QImage render(const StripPicture& picture);
    std::optional<std::string> write(const StripPicture& picture, const std::string& path) override;
};

}  // namespace tessarin
