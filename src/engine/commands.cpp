#include "engine/window_manager.hpp"

namespace tessarin {

// TODO(engine): placeholder until this concern lands.
void WindowManager::perform(Action) {  }

// TODO(engine): placeholder until this concern lands.
std::optional<std::string> WindowManager::commandKey() { return std::nullopt; }

// TODO(engine): placeholder until this concern lands.
void WindowManager::focusColumn(std::int64_t, const std::string&) {  }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::isManaged(WindowID) const { return false; }

// TODO(engine): placeholder until this concern lands.
void WindowManager::toggleFocusMode() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::toggleFloat() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::sendToNextDisplay() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::showIndicator(const std::string&, bool) {  }

// TODO(engine): placeholder until this concern lands.
StripIndicatorModel WindowManager::model(const std::string&) { return {}; }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::isLayoutAction(Action) { return false; }

}  // namespace tessarin
