#include "engine/window_manager.hpp"

namespace tessarin {

// TODO(engine): placeholder until this concern lands.
void WindowManager::setNeedsLayout(const std::string&, bool) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::layout(const std::string&, bool, std::optional<bool>) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::layoutAll(bool) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::animateScroll(const std::string&, double, std::optional<bool>) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::apply(const std::string&) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::startAnimationTimer() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::tick() {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::verifySizes(const std::string&) {  }

// TODO(engine): placeholder until this concern lands.
void WindowManager::adoptMinimumSize(WindowID, Size, Size) {  }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::isOwnEcho(WindowID) { return false; }

// TODO(engine): placeholder until this concern lands.
double WindowManager::animationLength() const { return 0.24; }

// TODO(engine): placeholder until this concern lands.
Rect WindowManager::area(const Display&) const { return {}; }

// TODO(engine): placeholder until this concern lands.
LayoutConfig WindowManager::layoutConfig() const { return {}; }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::neighbourLeft(const Display&) const { return false; }

// TODO(engine): placeholder until this concern lands.
bool WindowManager::neighbourRight(const Display&) const { return false; }

// TODO(engine): placeholder until this concern lands.
WindowMap<Rect> WindowManager::focusFrames(const WindowMap<Rect>& normal, const Display&, const Strip&) const { return normal; }

}  // namespace tessarin
