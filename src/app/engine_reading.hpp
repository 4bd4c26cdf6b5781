#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "app/ipc.hpp"
#include "engine/engine_hooks.hpp"
#include "engine/window_manager.hpp"

namespace tessarin {

// Everything the program reads out of the engine lives in engine_reading.cpp, so that it
// follows the engine's public surface in one place.

// The state `tessarin msg --json state` prints: displays with their strips, and every known
// window. The shape is documented in docs/ipc.md; the two arrays are also asked for alone.
nlohmann::json stateDocument(const EngineView& view, Accessibility& ax, const Preferences& prefs);
nlohmann::json displaysDocument(const EngineView& view, const Preferences& prefs);
nlohmann::json windowsDocument(const EngineView& view, Accessibility& ax);

// What a request may reach in the running copy.
struct CommandContext {
    // Null once the program is stopping.
    WindowManager* engine = nullptr;
    Accessibility& ax;
    const Preferences& prefs;
    // Takes the text of {"command":"url"}; without it that command is unknown.
    std::function<void(const std::string&)> openUrl;
    // The lines a new subscriber starts with; without it {"command":"subscribe"} is unknown.
    std::function<std::string()> subscribe;
};

// The running copy's answer to one `tessarin msg` request line: {"command":"action","name":..}
// runs an action, {"command":"state"} returns the state, and so on (docs/ipc.md). Anything else
// is an error reply. A subscription's reply keeps the connection open.
IpcServer::Reply commandReply(const CommandContext& context, const std::string& line);

// The little of the engine's state that the event stream reports changes of.
struct EventSnapshot {
    struct Window {
        std::string state;  // a WindowRole's raw value
        std::optional<std::string> display;
        bool operator==(const Window&) const = default;
    };
    struct Layout {
        std::string name;
        // Where the strip is headed: an animation's end rather than each of its frames.
        double scrollOffset = 0;
        std::int64_t focusedColumn = 0;
        std::size_t columns = 0;
        bool operator==(const Layout&) const = default;
    };
    std::map<WindowID, Window> windows;
    std::optional<WindowID> focused;
    std::optional<std::string> activeDisplay;
    // Connected displays by UUID.
    std::map<std::string, Layout> displays;
};

EventSnapshot eventSnapshot(const EngineView& view);

}  // namespace tessarin
