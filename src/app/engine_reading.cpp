#include "app/engine_reading.hpp"

#include <algorithm>
#include <set>

#include "app/ipc.hpp"
#include "platform/ax_names.hpp"
#include "system/ax.hpp"

namespace tessarin {

namespace {

nlohmann::json rect(const Rect& r) {
    return {{"x", r.x}, {"y", r.y}, {"width", r.width}, {"height", r.height}};
}

}  // namespace

nlohmann::json displaysDocument(const EngineView& view, const Preferences& prefs) {
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
    return displays;
}

nlohmann::json windowsDocument(const EngineView& view, Accessibility& ax) {
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
    return windows;
}

nlohmann::json stateDocument(const EngineView& view, Accessibility& ax, const Preferences& prefs) {
    const auto focused = view.focusedWindow();
    return {{"running", view.isRunning()},
            {"paused", view.isPaused()},
            {"focusedWindow", focused ? nlohmann::json(*focused) : nlohmann::json(nullptr)},
            {"gap", prefs.gap()},
            {"displays", displaysDocument(view, prefs)},
            {"windows", windowsDocument(view, ax)}};
}

IpcServer::Reply commandReply(const CommandContext& context, const std::string& line) {
    // The parser takes a NUL byte for the end of the text: a request must not hide a tail.
    const nlohmann::json request = line.find('\0') == std::string::npos
                                       ? nlohmann::json::parse(line, nullptr, false)
                                       : nlohmann::json(nullptr);
    if (!request.is_object() || !request.contains("command") || !request["command"].is_string()) {
        return IpcServer::errorReply("malformed request");
    }
    const std::string command = request["command"];
    // Titles and URLs may hold anything; what cannot be UTF-8 is replaced, never thrown over.
    const auto ok = [](nlohmann::json answer) {
        answer["ok"] = true;
        return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    };
    if (command == "url" && context.openUrl) {
        if (!request.contains("url") || !request["url"].is_string())
            return IpcServer::errorReply("malformed request");
        context.openUrl(request["url"].get<std::string>());
        return ok(nlohmann::json::object());
    }
    static const std::set<std::string> known = {"state", "windows", "displays", "action", "dump"};
    const bool subscribing = command == "subscribe" && context.subscribe;
    if (!known.count(command) && !subscribing) return IpcServer::errorReply("unknown command");
    WindowManager* engine = context.engine;
    if (!engine) return IpcServer::errorReply("not running");
    if (subscribing) {
        const std::string opening = context.subscribe();
        return IpcServer::Reply(
            ok(nlohmann::json::object()) + (opening.empty() ? "" : "\n") + opening, true);
    }
    if (command == "state")
        return ok({{"state", stateDocument(engine->view(), context.ax, context.prefs)}});
    if (command == "windows") return ok({{"windows", windowsDocument(engine->view(), context.ax)}});
    if (command == "displays")
        return ok({{"displays", displaysDocument(engine->view(), context.prefs)}});
    if (command == "dump") {
        const auto where = engine->writeDebugDump();
        if (!where) return IpcServer::errorReply("no log folder");
        return ok({{"path", where->string()}});
    }
    const auto name = request.contains("name") && request["name"].is_string()
                          ? actionNamed(request["name"].get<std::string>())
                          : std::nullopt;
    if (!name) return IpcServer::errorReply("unknown action");
    engine->perform(*name);
    return ok(nlohmann::json::object());
}

EventSnapshot eventSnapshot(const EngineView& view) {
    EventSnapshot snapshot;
    for (WindowID id : view.windows())
        snapshot.windows[id] = {rawValue(view.role(id)), view.displayOf(id)};
    snapshot.focused = view.focusedWindow();
    snapshot.activeDisplay = view.activeKey();
    for (const Display& display : view.displays()) {
        EventSnapshot::Layout& layout = snapshot.displays[display.uuid];
        layout.name = display.name;
        const Strip* strip = view.strip(display.uuid);
        if (!strip) continue;
        const auto animation = view.animation(display.uuid);
        layout.scrollOffset = animation ? animation->to : strip->scrollOffset;
        layout.focusedColumn = strip->focusedColumn;
        layout.columns = strip->columns.size();
    }
    return snapshot;
}

}  // namespace tessarin
