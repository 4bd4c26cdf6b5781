#include "system/ax_window.hpp"

#include <string>

#include "base/log.hpp"
#include "platform/ax_names.hpp"

namespace tessarin {

AXWindow::AXWindow(Key, Accessibility& ax, const AXElement& element, WindowID id, Pid pid,
                   std::optional<std::string> bundleID)
    : element(element), id(id), pid(pid), bundleID(std::move(bundleID)), ax_(ax) {}

std::shared_ptr<AXWindow> AXWindow::create(Accessibility& ax, Workspace& workspace,
                                           const AXElement& element, Pid pid) {
    WindowID number = 0;
    if (ax.windowNumber(element, number) != AXError::success || number == 0) return nullptr;
    std::optional<std::string> bundleID;
    if (auto app = workspace.application(pid)) bundleID = app->bundleID;
    auto window = std::make_shared<AXWindow>(Key{}, ax, element, number, pid, std::move(bundleID));
    ax.setMessagingTimeout(element, messagingTimeout);
    return window;
}

void AXWindow::setFrame(const Rect& frame, const std::optional<Rect>& previous) const {
    const std::string suffix = " for " + std::to_string(id) + " " + bundleText();
    if (previous && previous->size() == frame.size()) {
        AXError result = ax_.setAttribute(element, AXName::position, frame.origin());
        if (result != AXError::success) {
            Log::info("setPosition failed " + std::to_string(code(result)) + suffix);
        }
        return;
    }
    ax_.setAttribute(element, AXName::size, frame.size());
    AXError position = ax_.setAttribute(element, AXName::position, frame.origin());
    AXError size = ax_.setAttribute(element, AXName::size, frame.size());
    if (position != AXError::success || size != AXError::success) {
        Log::info("setFrame failed pos=" + std::to_string(code(position)) +
                  " size=" + std::to_string(code(size)) + suffix);
    }
}

}  // namespace tessarin
