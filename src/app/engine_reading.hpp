#pragma once

#include <nlohmann/json.hpp>

#include "engine/engine_hooks.hpp"
#include "engine/window_manager.hpp"

namespace tessarin {

// Everything the program reads out of the engine lives in engine_reading.cpp, so that it
// follows the engine's public surface in one place.

// The state `tessarin msg --json state` prints: displays with their strips, and every known
// window. The shape is documented in docs/ipc.md.
nlohmann::json stateDocument(const EngineView& view, Accessibility& ax, const Preferences& prefs);

// The running copy's answer to one `tessarin msg` request line: {"command":"action","name":..}
// runs an action, {"command":"state"} returns the state. Anything else is an error reply.
// `engine` is null once the program is stopping.
std::string commandReply(WindowManager* engine, Accessibility& ax, const Preferences& prefs,
                         const std::string& line);

}  // namespace tessarin
