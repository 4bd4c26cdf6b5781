#include "app/engine_reading.hpp"

#include <algorithm>

#include "app/ipc.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

nlohmann::json rect(const Rect& r) {
    return {{"x", r.x}, {"y", r.y}, {"width", r.width}, {"height", r.height}};
}

template <typename Map, typename Key>
nlohmann::json orNull(const Map& map, const Key& key, auto convert) {
    auto found = map.find(key);
    return found == map.end() ? nlohmann::json(nullptr) : nlohmann::json(convert(found->second));
}

}  // namespace

nlohmann::json stateDocument(WindowManager& engine) {
    const EngineState& state = engine.state();
    Accessibility& ax = engine.platform().accessibility;
    nlohmann::json displays = nlohmann::json::array();
    for (const Display& display : state.displays) {
        auto strip = state.strips.find(display.uuid);
        displays.push_back(
            {{"uuid", display.uuid},
             {"name", display.name},
             {"frame", rect(display.frame)},
             {"visibleFrame", rect(display.visibleFrame)},
             {"area", rect(engine.area(display))},
             {"active", state.activeKey == display.uuid},
             {"strip", toJson(strip == state.strips.end() ? Strip{} : strip->second)}});
    }
    nlohmann::json windows = nlohmann::json::array();
    for (const auto& [id, window] : state.windows) {
        const char* mode = state.floating.count(id)  ? "floating"
                           : state.dormant.count(id) ? "dormant"
                                                     : "tiled";
        auto position = AX::position(ax, window->element);
        auto size = AX::size(ax, window->element);
        windows.push_back(
            {{"number", id},
             {"pid", window->pid},
             {"app",
              window->bundleID ? nlohmann::json(*window->bundleID) : nlohmann::json(nullptr)},
             {"title", AX::string(ax, window->element, "AXTitle").value_or("")},
             {"state", mode},
             {"display",
              orNull(state.windowDisplay, id, [](const std::string& key) { return key; })},
             {"frame", position && size
                           ? rect(Rect{position->x, position->y, size->width, size->height})
                           : nlohmann::json(nullptr)},
             {"wanted", orNull(state.lastApplied, id, [](const Rect& r) { return rect(r); })}});
    }
    const auto focused = engine.systemFocusedWindow();
    return {{"running", engine.isRunning()},
            {"paused", engine.isPaused()},
            {"focusedWindow", focused ? nlohmann::json(*focused) : nlohmann::json(nullptr)},
            {"gap", engine.layoutConfig().gap},
            {"displays", std::move(displays)},
            {"windows", std::move(windows)}};
}

std::string commandReply(WindowManager* engine, const std::string& line) {
    const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
    if (!request.is_object() || !request.contains("command") || !request["command"].is_string()) {
        return IpcServer::errorReply("malformed request");
    }
    const std::string command = request["command"];
    if (command != "state" && command != "action") return IpcServer::errorReply("unknown command");
    if (!engine) return IpcServer::errorReply("not running");
    if (command == "state") {
        return nlohmann::json{{"ok", true}, {"state", stateDocument(*engine)}}.dump(
            -1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    const auto name = request.contains("name") && request["name"].is_string()
                          ? actionNamed(request["name"].get<std::string>())
                          : std::nullopt;
    if (!name) return IpcServer::errorReply("unknown action");
    engine->perform(*name);
    return nlohmann::json{{"ok", true}}.dump();
}

void WindowRelease::releaseWindows(WindowManager& engine) {
    const EngineState& state = engine.state();
    for (const auto& [id, frame] : state.lastApplied) {
        auto window = state.windows.find(id);
        auto key = state.windowDisplay.find(id);
        if (window == state.windows.end() || key == state.windowDisplay.end()) continue;
        auto display = engine.display(key->second);
        if (!display) continue;
        const Rect& visible = display->visibleFrame;
        // Slid in from the edge it was parked at; a window wider than the display keeps its
        // left edge on it.
        Rect inside = frame;
        inside.x = std::max(visible.minX(), std::min(frame.x, visible.maxX() - frame.width));
        inside.y = std::max(visible.minY(), std::min(frame.y, visible.maxY() - frame.height));
        if (inside != frame) window->second->setFrame(inside, frame);
    }
}

}  // namespace tessarin
