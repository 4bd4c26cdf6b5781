#include "app/engine_reading.hpp"

#include <algorithm>

#include "app/ipc.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

nlohmann::json rect(const Rect& r) {
    return {{"x", r.x}, {"y", r.y}, {"width", r.width}, {"height", r.height}};
}

}  // namespace

nlohmann::json stateDocument(const EngineView& view, Accessibility& ax, const Preferences& prefs) {
    nlohmann::json displays = nlohmann::json::array();
    for (const Display& display : view.displays()) {
        const Strip* strip = view.strip(display.uuid);
        displays.push_back({{"uuid", display.uuid},
                            {"name", display.name},
                            {"frame", rect(display.frame)},
                            {"visibleFrame", rect(display.visibleFrame)},
                            {"area", rect(display.visibleFrame.insetBy(prefs.outerGap()))},
                            {"active", view.activeKey() == display.uuid},
                            {"strip", toJson(strip ? *strip : Strip{})}});
    }
    nlohmann::json windows = nlohmann::json::array();
    for (WindowID id : view.windows()) {
        const AXWindowPtr window = view.window(id);
        auto position = AX::position(ax, window->element);
        auto size = AX::size(ax, window->element);
        const auto display = view.displayOf(id);
        const auto wanted = view.lastApplied(id);
        windows.push_back(
            {{"number", id},
             {"pid", window->pid},
             {"app",
              window->bundleID ? nlohmann::json(*window->bundleID) : nlohmann::json(nullptr)},
             {"title", AX::string(ax, window->element, AXName::title).value_or("")},
             {"state", rawValue(view.role(id))},
             {"display", display ? nlohmann::json(*display) : nlohmann::json(nullptr)},
             {"frame", position && size
                           ? rect(Rect{position->x, position->y, size->width, size->height})
                           : nlohmann::json(nullptr)},
             {"wanted", wanted ? rect(*wanted) : nlohmann::json(nullptr)}});
    }
    const auto focused = view.focusedWindow();
    return {{"running", view.isRunning()},
            {"paused", view.isPaused()},
            {"focusedWindow", focused ? nlohmann::json(*focused) : nlohmann::json(nullptr)},
            {"gap", prefs.gap()},
            {"displays", std::move(displays)},
            {"windows", std::move(windows)}};
}

std::string commandReply(WindowManager* engine, Accessibility& ax, const Preferences& prefs,
                         const std::string& line) {
    const nlohmann::json request = nlohmann::json::parse(line, nullptr, false);
    if (!request.is_object() || !request.contains("command") || !request["command"].is_string()) {
        return IpcServer::errorReply("malformed request");
    }
    const std::string command = request["command"];
    if (command != "state" && command != "action" && command != "dump")
        return IpcServer::errorReply("unknown command");
    if (!engine) return IpcServer::errorReply("not running");
    if (command == "state") {
        return nlohmann::json{{"ok", true}, {"state", stateDocument(engine->view(), ax, prefs)}}
            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    if (command == "dump") {
        const auto where = engine->writeDebugDump();
        if (!where) return IpcServer::errorReply("no log folder");
        return nlohmann::json{{"ok", true}, {"path", where->string()}}.dump();
    }
    const auto name = request.contains("name") && request["name"].is_string()
                          ? actionNamed(request["name"].get<std::string>())
                          : std::nullopt;
    if (!name) return IpcServer::errorReply("unknown action");
    engine->perform(*name);
    return nlohmann::json{{"ok", true}}.dump();
}

}  // namespace tessarin
