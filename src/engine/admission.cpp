#include "engine/window_manager.hpp"

namespace tessarin {

// TODO(engine): placeholder until this concern lands.
void WindowManager::addApp(Pid) {  }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::consider(const AXElement&, Pid) { return false; }

// TODO(engine): placeholder until this concern lands.
std::set<WindowID> WindowManager::presentIDs() { return {}; }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::shouldFloat(const AXWindow&) { return false; }

// TODO(engine): placeholder until this concern lands.
double WindowManager::initialWidth(const Rect&, const Display&) const { return 0.5; }

// TODO(engine): placeholder until this concern lands.
std::optional<WindowID> WindowManager::systemFocusedWindow() { return std::nullopt; }

// TODO(engine): placeholder until this concern lands.
const std::vector<std::string>& WindowManager::alwaysFloating() { static const std::vector<std::string> none; return none; }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerWindowCreated(const AXElement&, Pid) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerWindowMoved(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerWindowResized(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerWindowMinimizeChanged(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerFocusChanged() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::trackerWindowDestroyed(WindowID) {  }

}  // namespace tessarin
