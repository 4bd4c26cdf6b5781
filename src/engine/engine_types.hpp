#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "core/window_map.hpp"

namespace tessarin {

// Where a known window that is not on screen goes back to.
struct Dormant {
    static constexpr std::int64_t atEnd = std::numeric_limits<std::int64_t>::max();

    std::string displayUUID;
    double widthFraction = 0.5;
    std::optional<WindowID> leftNeighbour;
    std::int64_t index = atEnd;
    std::optional<double> savedFraction;
    std::optional<bool> zoomed;

    bool operator==(const Dormant&) const = default;
};

struct ScrollAnimation {
    double from = 0;
    double to = 0;
    double start = 0;
    double duration = 0;

    bool operator==(const ScrollAnimation&) const = default;
};

// A blend of window frames from where they were to where the layout puts them.
struct Morph {
    WindowMap<Rect> from;
    double start = 0;
    double duration = 0;
};

// What the strip overview draws for one display.
struct StripIndicatorModel {
    struct Column {
        std::int64_t index = 0;
        std::vector<std::string> icons;
        std::vector<std::string> titles;
        double x = 0;
        double width = 0;
        bool focused = false;

        bool operator==(const Column&) const = default;
    };

    std::string key;
    std::vector<Column> columns;
    double scroll = 0;
    double viewWidth = 0;

    bool operator==(const StripIndicatorModel&) const = default;
};

// What the gap preview draws for one display: where the windows would go with the gaps being
// tried.
struct GapPreviewScreen {
    Rect displayFrame;
    Rect area;
    std::vector<Rect> windows;

    bool operator==(const GapPreviewScreen&) const = default;
};

}  // namespace tessarin
