#include "scenario/scenario_picture.hpp"

#include <algorithm>

#include "engine/engine_view.hpp"
#include "scenario/scenario_report.hpp"

namespace tessarin {

namespace {

// The width of a column left showing on its display: anything narrower is parked beside it.
constexpr double kParkedSliver = 20;

Rect united(const Rect& a, const Rect& b) {
    const double left = std::min(a.minX(), b.minX());
    const double top = std::min(a.minY(), b.minY());
    return {left, top, std::max(a.maxX(), b.maxX()) - left, std::max(a.maxY(), b.maxY()) - top};
}

double overlapWidth(const Rect& a, const Rect& b) {
    if (a.maxY() <= b.minY() || b.maxY() <= a.minY()) return 0;
    return std::max(0.0, std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX()));
}

}  // namespace

Rect StripPicture::bounds() const {
    std::optional<Rect> all;
    for (const Screen& screen : screens)
        all = all ? united(*all, screen.frame) : screen.frame;
    for (const Window& window : windows)
        all = all ? united(*all, window.frame) : window.frame;
    return all.value_or(Rect{});
}

StripPicture describePicture(SimSession& session, const std::vector<WindowID>& order,
                             const std::map<WindowID, std::string>& labels) {
    StripPicture picture;
    const std::optional<EngineView> view =
        session.hasEngine() ? std::optional(session.engine().view()) : std::nullopt;
    ScenarioReport names(session, labels);
    std::map<std::string, Rect> frames;
    if (view) {
        for (const Display& display : view->displays()) {
            picture.screens.push_back(
                {display.uuid, display.name, display.frame, view->activeKey() == display.uuid});
            frames[display.uuid] = display.frame;
        }
    }
    sim::SimDesktop& desktop = session.desktop();
    const std::optional<WindowID> focused = desktop.focusedWindow();
    for (WindowID id : order) {
        const auto snapshot = desktop.window(id);
        if (!snapshot || snapshot->minimized) continue;
        const auto app = desktop.workspace().application(snapshot->pid);
        if (app && app->hidden) continue;
        StripPicture::Window window;
        window.id = id;
        window.label = names.name(id);
        window.frame = snapshot->frame;
        const WindowRole role = view ? view->role(id) : WindowRole::unknown;
        window.role = role == WindowRole::unknown ? "unmanaged" : rawValue(role);
        window.focused = focused == id;
        if (role == WindowRole::tiled) {
            const auto display = view->displayOf(id);
            auto frame = display ? frames.find(*display) : frames.end();
            window.parked =
                frame != frames.end() && overlapWidth(window.frame, frame->second) < kParkedSliver;
        }
        picture.windows.push_back(std::move(window));
    }
    return picture;
}

}  // namespace tessarin
