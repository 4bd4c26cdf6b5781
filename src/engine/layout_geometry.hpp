#pragma once

#include <vector>

#include "core/geometry.hpp"
#include "core/layout_config.hpp"
#include "core/strip.hpp"
#include "core/window_map.hpp"
#include "system/display.hpp"

namespace tessarin {

// The geometry one display is laid out in: the area the columns fill (the visible frame less
// the outer gap), the display's bounds, and whether another display adjoins on either side
// (then off-screen columns hide below the bottom edge instead of peeking into the neighbour).
struct LayoutGeometry {
    Rect area;
    Rect bounds;
    LayoutConfig config;
    bool neighbourLeft = false;
    bool neighbourRight = false;

    static LayoutGeometry of(const Display& display, const std::vector<Display>& displays,
                             double gap, double outerGap, CenterMode centerMode);
};

// A display adjoins on a side when it overlaps vertically and its edge lies within 2 points.
bool adjoinsLeft(const Display& display, const std::vector<Display>& displays);
bool adjoinsRight(const Display& display, const std::vector<Display>& displays);

// The width fraction of a new column: the default, or the window's own width as a share of the
// area when the window keeps its width (between 0.1 and 1.0).
double initialWidth(const Rect& frame, const Display& display, bool keepOriginalWidth,
                    double defaultWidth, double gap, double outerGap);

// Focus mode: the focused column large and centred (`width` × `height` of the area), every
// other column parked at the display's edge on its side.
WindowMap<Rect> focusFrames(const WindowMap<Rect>& normal, const LayoutGeometry& geometry,
                            const Strip& strip, double width, double height,
                            const WindowMap<double>& minHeights);

}  // namespace tessarin
