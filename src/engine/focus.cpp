#include "engine/window_manager.hpp"

namespace tessarin {

// TODO(engine): placeholder until this concern lands.
void WindowManager::focusWindow(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::syncFocusFromSystem() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::updateBorder() {  }

// TODO(engine): placeholder until this concern lands.
std::optional<Display> WindowManager::display(const std::optional<std::string>&) const { return std::nullopt; }

}  // namespace tessarin
