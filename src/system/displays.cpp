#include "system/displays.hpp"

#include <algorithm>
#include <string>

namespace tessarin {

namespace {

// Half-open on the far edges, so adjacent displays never both hold a point on their border.
bool contains(const Rect& rect, Point point) {
    return point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY() &&
           point.y < rect.maxY();
}

double intersectionArea(const Rect& a, const Rect& b) {
    double width = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    double height = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    if (width <= 0 || height <= 0) return 0;
    return width * height;
}

}  // namespace

double Displays::primaryHeight(const std::vector<ScreenInfo>& screens) {
    return screens.empty() ? 0 : screens.front().frame.height;
}

Rect Displays::flip(const Rect& rect, double primaryHeight) {
    return {rect.x, primaryHeight - rect.maxY(), rect.width, rect.height};
}

std::vector<Display> Displays::fromScreens(const std::vector<ScreenInfo>& screens) {
    const double height = primaryHeight(screens);
    std::vector<Display> displays;
    for (const ScreenInfo& screen : screens) {
        if (!screen.number) continue;
        displays.push_back({
            .id = *screen.number,
            .uuid = screen.uuid.value_or(std::to_string(*screen.number)),
            .name = screen.name,
            .frame = flip(screen.frame, height),
            .visibleFrame = flip(screen.visibleFrame, height),
        });
    }
    return displays;
}

std::optional<Display> Displays::containing(const Rect& rect,
                                            const std::vector<Display>& displays) {
    if (displays.empty()) return std::nullopt;
    const Point mid{rect.midX(), rect.midY()};
    for (const Display& display : displays) {
        if (contains(display.frame, mid)) return display;
    }
    const Display* best = &displays.front();
    double bestArea = intersectionArea(best->frame, rect);
    for (const Display& display : displays) {
        double area = intersectionArea(display.frame, rect);
        if (area > bestArea) {
            best = &display;
            bestArea = area;
        }
    }
    return *best;
}

std::optional<Display> Displays::at(Point point, const std::vector<Display>& displays) {
    if (displays.empty()) return std::nullopt;
    for (const Display& display : displays) {
        const Rect& f = display.frame;
        if (contains({f.x - 1, f.y - 1, f.width + 2, f.height + 2}, point)) return display;
    }
    return displays.front();
}

std::vector<Display> Displays::current() const {
    return fromScreens(screens_.screens());
}

Rect Displays::flip(const Rect& rect) const {
    return flip(rect, primaryHeight(screens_.screens()));
}

std::optional<Display> Displays::underMouse(const std::vector<Display>& displays) const {
    const Point location = pointer_.location();
    const double height = primaryHeight(screens_.screens());
    return at({location.x, height - location.y}, displays);
}

std::set<WindowID> Displays::onScreenWindowIDs() const {
    std::set<WindowID> ids;
    if (auto list = windowServer_.windowList(true)) {
        for (const WindowInfo& info : *list) {
            if (info.number) ids.insert(*info.number);
        }
    }
    return ids;
}

std::map<WindowID, Rect> Displays::windowServerFrames() const {
    std::map<WindowID, Rect> frames;
    if (auto list = windowServer_.windowList(true)) {
        for (const WindowInfo& info : *list) {
            if (info.number && info.bounds) frames[*info.number] = *info.bounds;
        }
    }
    return frames;
}

}  // namespace tessarin
