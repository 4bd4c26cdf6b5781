#pragma once

namespace tessarin {

// Points in the global window-system space: origin at the top left, y growing downward.
struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

// A rectangle by its top-left corner and size; minY is the top edge, maxY the bottom edge.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    constexpr double minX() const { return x; }
    constexpr double maxX() const { return x + width; }
    constexpr double minY() const { return y; }
    constexpr double maxY() const { return y + height; }
    constexpr double midX() const { return x + width * 0.5; }
    constexpr double midY() const { return y + height * 0.5; }
    constexpr Point origin() const { return {x, y}; }
    constexpr Size size() const { return {width, height}; }
    constexpr Point center() const { return {midX(), midY()}; }

    // Half-open on the right and bottom edges, so two rectangles that share an edge never both
    // contain a point on it.
    constexpr bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }

    // Whether the two share some area (touching edges do not count).
    constexpr bool intersects(const Rect& other) const {
        return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() &&
               other.minY() < maxY();
    }
    constexpr bool encloses(const Rect& other) const {
        return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
               other.maxY() <= maxY();
    }

    // The rectangle shrunk by `amount` on all four sides (grown when negative).
    constexpr Rect insetBy(double amount) const {
        return {x + amount, y + amount, width - 2 * amount, height - 2 * amount};
    }

    bool operator==(const Rect&) const = default;
};

}  // namespace tessarin
