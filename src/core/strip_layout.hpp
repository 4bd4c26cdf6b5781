#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/geometry.hpp"
#include "core/layout_config.hpp"
#include "core/strip.hpp"
#include "core/window_map.hpp"

namespace tessarin {

// Turns a strip into numbers: column spans along the strip, the scroll that reveals the focused
// column, the nearest column to a scroll position, the scroll range, and one frame per window.
// Stateless; every function is linear in the number of windows (the row-height settling runs
// at most rows + 1 passes per column).
class StripLayout {
  public:
    // A column's extent along the strip, measured from the strip's left end.
    struct Span {
        double x = 0;
        double width = 0;

        double midX() const { return x + width * 0.5; }
        double maxX() const { return x + width; }
        bool operator==(const Span&) const = default;
    };

    // A closed range of scroll offsets.
    struct ScrollRange {
        double lowerBound = 0;
        double upperBound = 0;

        bool contains(double scroll) const { return lowerBound <= scroll && scroll <= upperBound; }
        double clamped(double scroll) const;
        bool operator==(const ScrollRange&) const = default;
    };

    using Frames = WindowMap<Rect>;
    using MinHeights = WindowMap<double>;

    static constexpr double minimumColumnWidth = 80;
    // How far past either end of the strip the viewport may be dragged, as a share of its width.
    static constexpr double overscrollShare = 0.06;

    StripLayout() = delete;

    // A fraction is a share of the area plus one gap, so n columns of 1/n and their gaps fill it.
    static double width(double fraction, double areaWidth, double gap);
    static std::vector<Span> spans(const Strip& strip, double areaWidth, double gap);
    static double contentWidth(std::span<const Span> spans);

    static double revealScroll(const Strip& strip, double areaWidth, const LayoutConfig& config);
    static double centeredScroll(const Strip& strip, double areaWidth, double gap);
    static std::int64_t nearestColumn(const Strip& strip, double scroll, double areaWidth,
                                      double gap);
    static ScrollRange scrollBounds(const Strip& strip, double areaWidth, double gap);

    // `area` is where columns are laid out; `bounds` is the display rectangle used to decide
    // which columns are off screen and where they are parked. A neighbour flag says another
    // display adjoins on that side: columns then hide below this display's bottom edge instead
    // of spilling onto it.
    static Frames frames(const Strip& strip, double scroll, const Rect& area, const Rect& bounds,
                         const LayoutConfig& config, bool neighbourLeft, bool neighbourRight,
                         const MinHeights& minHeights);
    // The same, refilling `out` so that a caller laying out every tick reuses its storage.
    static void frames(const Strip& strip, double scroll, const Rect& area, const Rect& bounds,
                       const LayoutConfig& config, bool neighbourLeft, bool neighbourRight,
                       const MinHeights& minHeights, Frames& out);

    // Shares `usable` among the rows by weight without giving any row less than its minimum;
    // when the minimums exceed `usable` the rows get their minimums and overflow. A row without
    // an entry in `mins` has no minimum.
    static std::vector<double> rowHeights(std::span<const double> weights,
                                          std::span<const double> mins, double usable);
    // Whether rows with these minimums and the gaps between them fit in `areaHeight`.
    static bool stackFits(std::span<const double> mins, double areaHeight, double gap);
};

}  // namespace tessarin
