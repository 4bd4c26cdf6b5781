#include "scenario/scenario_report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tessarin {

namespace {

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::string ScenarioReport::number(double value) {
    if (value == std::round(value)) return fixed(value == 0 ? 0 : value, 0);
    std::string text = fixed(value, 2);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string ScenarioReport::rect(const Rect& frame) {
    return number(frame.x) + "," + number(frame.y) + " " + number(frame.width) + "x" +
           number(frame.height);
}

std::string ScenarioReport::name(WindowID id) const {
    auto found = labels_.find(id);
    return (found == labels_.end() ? std::string("?") : found->second) + "(" + std::to_string(id) +
           ")";
}

std::string ScenarioReport::heading(const char* what) const {
    return std::string(what) + " at " + fixed(session_.now(), 3);
}

void ScenarioReport::frames(std::ostream& out, const std::vector<WindowID>& order) const {
    out << heading("frames") << "\n";
    sim::SimDesktop& desktop = session_.desktop();
    std::vector<sim::WindowSnapshot> live;
    std::size_t width = 0;
    for (WindowID id : order) {
        if (auto snapshot = desktop.window(id)) {
            live.push_back(*snapshot);
            width = std::max(width, name(id).size());
        }
    }
    if (live.empty()) out << "  (no windows)\n";
    const std::optional<WindowID> focused = desktop.focusedWindow();
    const std::optional<EngineView> view =
        session_.hasEngine() ? std::optional(session_.engine().view()) : std::nullopt;
    for (const sim::WindowSnapshot& window : live) {
        std::string line = "  " + padded(name(window.number), width) + "  " + rect(window.frame);
        const WindowRole role = view ? view->role(window.number) : WindowRole::unknown;
        line += "  ";
        line += role == WindowRole::unknown ? "unmanaged" : rawValue(role);
        if (focused == window.number) line += " focused";
        if (window.minimized) line += " minimized";
        if (window.fullScreen) line += " fullscreen";
        auto app = desktop.workspace().application(window.pid);
        if (app && app->hidden) line += " hidden";
        if (window.workspace != 1) line += " workspace=" + std::to_string(window.workspace);
        out << line << "\n";
    }
}

void ScenarioReport::strips(std::ostream& out) const {
    out << heading("strips") << "\n";
    if (!session_.hasEngine()) {
        out << "  (engine not started)\n";
        return;
    }
    const EngineView state = session_.engine().view();
    auto columnText = [&](const Column& column) {
        std::string text = fixed(column.widthFraction, 3);
        for (std::size_t row = 0; row < column.windows.size(); ++row) {
            text += row == 0 ? "  " : " / ";
            text += name(column.windows[row]);
            if (column.windows.size() > 1 && static_cast<std::int64_t>(row) == column.activeRow)
                text += "*";
        }
        if (column.isFullWidth()) text += "  full-width";
        if (column.isZoomed()) text += "  zoomed";
        return text;
    };
    auto columns = [&](const Strip& strip) {
        out << ": scroll " << number(strip.scrollOffset) << ", focus column " << strip.focusedColumn
            << "\n";
        for (std::size_t c = 0; c < strip.columns.size(); ++c) {
            const bool focusedColumn = static_cast<std::int64_t>(c) == strip.focusedColumn;
            out << "  " << (focusedColumn ? "> " : "  ") << c << ": "
                << columnText(strip.columns[c]) << "\n";
        }
    };
    std::vector<std::string> shown;
    for (const Display& display : state.displays()) {
        shown.push_back(display.uuid);
        out << "  " << display.uuid << " \"" << display.name << "\" " << rect(display.frame);
        if (state.activeKey() == display.uuid) out << " active";
        auto found = state.strips().find(display.uuid);
        if (found == state.strips().end() || found->second.isEmpty()) {
            out << ": no columns\n";
            continue;
        }
        columns(found->second);
    }
    for (const auto& [key, strip] : state.strips()) {
        if (std::find(shown.begin(), shown.end(), key) != shown.end()) continue;
        out << "  " << key << " (no such display)";
        columns(strip);
    }
    for (const auto& [key, strip] : state.detached()) {
        out << "  detached " << key;
        columns(strip);
    }
    if (!state.floating().empty()) {
        out << "  floating:";
        for (WindowID id : state.floating())
            out << " " << name(id);
        out << "\n";
    }
    for (const auto& [id, place] : state.dormantWindows()) {
        out << "  dormant " << name(id) << " @" << place.displayUUID << " index "
            << (place.index == Dormant::atEnd ? std::string("end") : std::to_string(place.index));
        if (place.leftNeighbour) out << " after " << name(*place.leftNeighbour);
        out << " width " << fixed(place.widthFraction, 3);
        if (place.savedFraction) out << " saved " << fixed(*place.savedFraction, 3);
        if (place.zoomed) out << (*place.zoomed ? " zoomed" : " unzoomed");
        out << "\n";
    }
}

void ScenarioReport::log(std::ostream& out, std::size_t from) const {
    const auto lines = session_.logSince(from);
    out << heading("log") << (lines.empty() ? " (no lines)" : "") << "\n";
    for (const SimSession::LogLine& line : lines) {
        out << "  " << fixed(line.time, 3) << "  " << line.text << "\n";
    }
}

}  // namespace tessarin
