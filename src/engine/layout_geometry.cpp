#include "engine/layout_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "core/strip_layout.hpp"

namespace tessarin {

namespace {

constexpr double kPeek = 2.0;
// Another display's edge this close counts as touching.
constexpr double kAdjoining = 2.0;

bool overlapsVertically(const Rect& a, const Rect& b) {
    return a.minY() < b.maxY() && a.maxY() > b.minY();
}

template <typename EdgesMeet>
bool adjoins(const Display& display, const std::vector<Display>& displays, EdgesMeet meet) {
    return std::any_of(displays.begin(), displays.end(), [&](const Display& other) {
        return !(other == display) && overlapsVertically(other.frame, display.frame) &&
               meet(other.frame);
    });
}

}  // namespace

bool adjoinsLeft(const Display& display, const std::vector<Display>& displays) {
    return adjoins(display, displays, [&](const Rect& other) {
        return std::abs(other.maxX() - display.frame.minX()) < kAdjoining;
    });
}

bool adjoinsRight(const Display& display, const std::vector<Display>& displays) {
    return adjoins(display, displays, [&](const Rect& other) {
        return std::abs(other.minX() - display.frame.maxX()) < kAdjoining;
    });
}

LayoutGeometry LayoutGeometry::of(const Display& display, const std::vector<Display>& displays,
                                  double gap, double outerGap, CenterMode centerMode) {
    return {display.visibleFrame.insetBy(outerGap), display.frame,
            LayoutConfig{gap, centerMode, kPeek}, adjoinsLeft(display, displays),
            adjoinsRight(display, displays)};
}

double initialWidth(const Rect& frame, const Display& display, bool keepOriginalWidth,
                    double defaultWidth, double gap, double outerGap) {
    // Either way a column's width stays inside the range the strip allows.
    if (!keepOriginalWidth) return std::clamp(defaultWidth, 0.1, 1.0);
    const double insetWidth = display.visibleFrame.width - 2 * outerGap;
    const double share = (frame.width + gap) / (insetWidth + gap);
    // A degenerate display (no width left after the gaps) gives no share to keep.
    if (!(insetWidth + gap > 0) || !std::isfinite(share)) return 1.0;
    return std::clamp(share, 0.1, 1.0);
}

WindowMap<Rect> focusFrames(const WindowMap<Rect>& normal, const LayoutGeometry& geometry,
                            const Strip& strip, double width, double height,
                            const WindowMap<double>& minHeights) {
    const std::int64_t focused = strip.focusedColumn;
    if (focused < 0 || focused >= static_cast<std::int64_t>(strip.columns.size())) return normal;

    const Rect& inset = geometry.area;
    const double w = std::round(inset.width * width);
    const double h = std::round(inset.height * height);
    const Rect focusRect{std::round(inset.midX() - w * 0.5), std::round(inset.midY() - h * 0.5), w,
                         h};
    const Rect& bounds = geometry.bounds;

    WindowMap<Rect> result = normal;
    for (std::size_t i = 0; i < strip.columns.size(); ++i) {
        const Column& column = strip.columns[i];
        if (static_cast<std::int64_t>(i) == focused) {
            Column alone = column;
            alone.widthFraction = 1.0;
            alone.savedFraction.reset();
            Strip single({alone});
            single.focusedColumn = 0;
            auto frames = StripLayout::frames(single, 0, focusRect, bounds, geometry.config, false,
                                              false, minHeights);
            for (const auto& [id, frame] : frames)
                result.insertOrAssign(id, frame);
            continue;
        }
        const bool left = static_cast<std::int64_t>(i) < focused;
        const bool adjoining = left ? geometry.neighbourLeft : geometry.neighbourRight;
        for (WindowID id : column.windows) {
            const Rect* f = normal.find(id);
            if (!f) continue;
            Rect parked = *f;
            if (adjoining) {
                // Hidden below the bottom edge, so it never lands on the neighbouring display.
                parked.x = left ? bounds.minX() : bounds.maxX() - f->width;
                parked.y = bounds.maxY() - kPeek;
            } else {
                parked.x = left ? bounds.minX() - f->width + kPeek : bounds.maxX() - kPeek;
            }
            result.insertOrAssign(id, parked);
        }
    }
    return result;
}

}  // namespace tessarin
