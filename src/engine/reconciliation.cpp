#include "engine/window_manager.hpp"

namespace tessarin {

// TODO(engine): placeholder until this concern lands.
void WindowManager::forget(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
std::optional<WindowID> WindowManager::neighbourAfterClose(const std::string&, std::int64_t, std::optional<Pid>) { return std::nullopt; }

// TODO(engine): placeholder until this concern lands.
void WindowManager::reconcileSoon(double) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::reconcile() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::enterFullscreen(WindowID) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::rescanAllApps() {  }

}  // namespace tessarin
