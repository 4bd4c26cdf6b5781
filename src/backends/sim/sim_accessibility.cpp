#include "backends/sim/sim_accessibility.hpp"
#include "platform/ax_names.hpp"

#include <algorithm>
#include <array>

namespace tessarin::sim {

namespace {

constexpr std::array kNotifications = {
    AXName::windowCreated,        AXName::focusedWindowChanged, AXName::elementDestroyed,
    AXName::windowMoved,          AXName::windowResized,        AXName::windowMiniaturized,
    AXName::windowDeminiaturized,
};

bool knownNotification(std::string_view name) {
    return std::find(kNotifications.begin(), kNotifications.end(), name) != kNotifications.end();
}

AXError optionalString(const std::optional<std::string>& text, AXValue& value) {
    if (!text) return AXError::noValue;
    value = *text;
    return AXError::success;
}

bool contains(const Rect& rect, Point point) {
    return point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY() &&
           point.y < rect.maxY();
}

}  // namespace

AXError SimAccessibility::copyAttribute(const AXElement& element, std::string_view attribute,
                                        AXValue& value) {
    std::unique_lock lock(core_->mutex());
    if (AXError error = core_->enterLocked(lock, element); error != AXError::success) return error;
    return readLocked(element, attribute, value);
}

AXError SimAccessibility::copyAttributes(const AXElement& element,
                                         const std::vector<std::string>& attributes,
                                         std::vector<std::optional<AXValue>>& values) {
    std::unique_lock lock(core_->mutex());
    if (AXError error = core_->enterLocked(lock, element); error != AXError::success) return error;
    values.clear();
    for (const std::string& attribute : attributes) {
        AXValue value;
        const AXError error = readLocked(element, attribute, value);
        if (error == AXError::invalidUIElement) return error;
        values.push_back(error == AXError::success ? std::optional(value) : std::nullopt);
    }
    return AXError::success;
}

AXError SimAccessibility::readLocked(const AXElement& element, std::string_view attribute,
                                     AXValue& value) {
    SimCore& core = *core_;
    if (element == kSystemWide) {
        if (attribute == AXName::role)
            return value = std::string(AXName::systemWideRole), AXError::success;
        if (attribute == AXName::focusedApplication) {
            if (!core.frontmost) return AXError::noValue;
            return value = AXElement{*core.frontmost, 0}, AXError::success;
        }
        return AXError::attributeUnsupported;
    }
    if (element.isApplication()) {
        AppState& app = *core.appLocked(element.pid);
        if (attribute == AXName::role)
            return value = std::string(AXName::applicationRole), AXError::success;
        if (attribute == AXName::title) return optionalString(app.info.localizedName, value);
        if (attribute == AXName::frontmost) {
            return value = core.frontmost == element.pid, AXError::success;
        }
        if (attribute == AXName::hidden) return value = app.info.hidden, AXError::success;
        if (attribute == AXName::enhancedUserInterface)
            return value = app.enhancedUI, AXError::success;
        if (attribute == AXName::manualAccessibility) {
            return value = app.manualAccessibility, AXError::success;
        }
        if (attribute == AXName::windows) {
            std::vector<AXElement> list;
            for (WindowID number : app.windows) {
                list.push_back(core.elementLocked(*core.windowLocked(number)));
            }
            return value = list, AXError::success;
        }
        if (attribute == AXName::focusedWindow || attribute == AXName::mainWindow) {
            if (!app.focused) return AXError::noValue;
            return value = core.elementLocked(*core.windowLocked(*app.focused)), AXError::success;
        }
        return AXError::attributeUnsupported;
    }
    WindowState* window = core.windowOfLocked(element);
    if (!window) return AXError::invalidUIElement;
    if (attribute == AXName::children) {
        std::vector<AXElement> list;
        for (const ChildState* child : window->childrenOf(element.ref))
            list.push_back({window->pid, child->ref});
        return value = list, AXError::success;
    }
    if (const ChildState* child = core.childLocked(element)) {
        const ElementSetup& setup = child->setup;
        if (attribute == AXName::role) return value = setup.role, AXError::success;
        if (attribute == AXName::subrole) return optionalString(setup.subrole, value);
        if (attribute == AXName::position) return value = setup.frame.origin(), AXError::success;
        if (attribute == AXName::size) return value = setup.frame.size(), AXError::success;
        if (attribute == AXName::title) return optionalString(setup.title, value);
        if (attribute == AXName::description) return optionalString(setup.description, value);
        if (attribute == AXName::roleDescription) {
            return optionalString(setup.roleDescription, value);
        }
        if (attribute == AXName::domIdentifier) return optionalString(setup.domIdentifier, value);
        if (attribute == AXName::domClassList) {
            if (!setup.domClasses) return AXError::noValue;
            return value = *setup.domClasses, AXError::success;
        }
        if (attribute == AXName::numberOfCharacters) {
            if (!setup.characters) return AXError::noValue;
            return value = *setup.characters, AXError::success;
        }
        if (attribute == AXName::window)
            return value = core.elementLocked(*window), AXError::success;
        if (attribute == AXName::parent)
            return value = AXElement{window->pid, child->parent}, AXError::success;
        return AXError::attributeUnsupported;
    }
    if (attribute == AXName::role) return optionalString(window->role, value);
    if (attribute == AXName::subrole) return optionalString(window->subrole, value);
    if (attribute == AXName::title) return value = window->title, AXError::success;
    if (attribute == AXName::position) return value = window->frame.origin(), AXError::success;
    if (attribute == AXName::size) return value = window->frame.size(), AXError::success;
    if (attribute == AXName::minimized) return value = window->minimized, AXError::success;
    if (attribute == AXName::fullScreen) return value = window->fullScreen, AXError::success;
    if (attribute == AXName::main || attribute == AXName::focused) {
        return value = core.appLocked(window->pid)->focused == window->number, AXError::success;
    }
    if (attribute == AXName::parent) return value = AXElement{window->pid, 0}, AXError::success;
    return AXError::attributeUnsupported;
}

AXError SimAccessibility::setAttribute(const AXElement& element, std::string_view attribute,
                                       const AXValue& value) {
    const double base = core_->loop().now();
    Outbox out;
    AXError result;
    {
        std::unique_lock lock(core_->mutex());
        AttributeWrite write{element,
                             std::nullopt,
                             std::string(attribute),
                             value,
                             base + core_->spentLocked(),
                             AXError::success};
        if (WindowState* window = core_->windowOfLocked(element)) write.window = window->number;
        result = core_->enterLocked(lock, element);
        if (result == AXError::success) {
            if (AppState* app = core_->appLocked(element.pid))
                core_->spendLocked(app->writeLatency);
            result = writeLocked(element, attribute, value, out);
        }
        write.result = result;
        if (core_->recordingWrites) core_->writes.push_back(std::move(write));
    }
    core_->deliver(out);
    return result;
}

AXError SimAccessibility::writeLocked(const AXElement& element, std::string_view attribute,
                                      const AXValue& value, Outbox& out) {
    if (element == kSystemWide) return AXError::attributeUnsupported;
    if (element.isApplication()) {
        return writeApplicationLocked(*core_->appLocked(element.pid), attribute, value, out);
    }
    WindowState* window = core_->windowOfLocked(element);
    if (!window) return AXError::invalidUIElement;
    if (core_->childLocked(element)) return AXError::attributeUnsupported;
    return writeWindowLocked(*window, attribute, value, out);
}

AXError SimAccessibility::writeWindowLocked(WindowState& window, std::string_view attribute,
                                            const AXValue& value, Outbox& out) {
    SimCore& core = *core_;
    if (attribute == AXName::position) {
        const Point* point = std::get_if<Point>(&value);
        if (!point) return AXError::illegalArgument;
        if (window.fullScreen) return AXError::cannotComplete;
        Rect frame = window.frame;
        frame.x = point->x, frame.y = point->y;
        if (window.faults.clampsToScreen) {
            if (const DisplayState* display = core.displayAtLocked(*point)) {
                const Rect& visible = display->setup.visibleFrame.value_or(display->setup.frame);
                frame.y = std::max(frame.y, visible.minY());
            }
        }
        if (window.faults.movesItself) {
            frame.x += window.faults.movesItself->x;
            frame.y += window.faults.movesItself->y;
        }
        core.setFrameLocked(window, frame, out);
        return AXError::success;
    }
    if (attribute == AXName::size) {
        const Size* size = std::get_if<Size>(&value);
        if (!size) return AXError::illegalArgument;
        if (window.fixedSize) return AXError::attributeUnsupported;
        if (window.fullScreen) return AXError::cannotComplete;
        Rect frame = window.frame;
        frame.width = size->width, frame.height = size->height;
        if (window.faults.clampsToScreen) {
            if (const DisplayState* display = core.displayForLocked(frame)) {
                const Rect& visible = display->setup.visibleFrame.value_or(display->setup.frame);
                frame.width = std::min(frame.width, visible.maxX() - frame.x);
                frame.height = std::min(frame.height, visible.maxY() - frame.y);
            }
        }
        core.setFrameLocked(window, frame, out);
        return AXError::success;
    }
    const bool* flag = std::get_if<bool>(&value);
    if (attribute == AXName::minimized || attribute == AXName::fullScreen ||
        attribute == AXName::main) {
        if (!flag) return AXError::illegalArgument;
    }
    if (attribute == AXName::minimized) {
        core.setMinimizedLocked(window, *flag, out);
        return AXError::success;
    }
    if (attribute == AXName::fullScreen) {
        core.setFullScreenLocked(window, *flag, out);
        return AXError::success;
    }
    if (attribute == AXName::main) {
        if (*flag) {
            core.raiseLocked(window);
            core.setFocusedWindowLocked(*core.appLocked(window.pid), window.number, out);
        }
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError SimAccessibility::writeApplicationLocked(AppState& app, std::string_view attribute,
                                                 const AXValue& value, Outbox& out) {
    const bool* flag = std::get_if<bool>(&value);
    if (attribute == AXName::frontmost) {
        if (!flag) return AXError::illegalArgument;
        if (*flag && !core_->activateLocked(app.info.pid, out)) return AXError::cannotComplete;
        return AXError::success;
    }
    if (attribute == AXName::enhancedUserInterface) {
        if (!flag) return AXError::illegalArgument;
        app.enhancedUI = *flag;
        return AXError::success;
    }
    if (attribute == AXName::manualAccessibility) {
        if (!flag) return AXError::illegalArgument;
        app.manualAccessibility = *flag;
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError SimAccessibility::isSettable(const AXElement& element, std::string_view attribute,
                                     bool& settable) {
    std::unique_lock lock(core_->mutex());
    if (AXError error = core_->enterLocked(lock, element); error != AXError::success) return error;
    AXValue ignored;
    if (AXError error = readLocked(element, attribute, ignored);
        error != AXError::success && error != AXError::noValue) {
        return error;
    }
    settable = false;
    if (element == kSystemWide) return AXError::success;
    if (element.isApplication()) {
        settable = attribute == AXName::frontmost || attribute == AXName::enhancedUserInterface ||
                   attribute == AXName::manualAccessibility;
        return AXError::success;
    }
    if (core_->childLocked(element)) return AXError::success;
    const WindowState& window = *core_->windowOfLocked(element);
    settable = attribute == AXName::position || attribute == AXName::minimized ||
               attribute == AXName::fullScreen || attribute == AXName::main ||
               (attribute == AXName::size && !window.fixedSize);
    return AXError::success;
}

AXError SimAccessibility::performAction(const AXElement& element, std::string_view action) {
    Outbox out;
    AXError result = AXError::actionUnsupported;
    {
        std::unique_lock lock(core_->mutex());
        if (AXError error = core_->enterLocked(lock, element); error != AXError::success) {
            return error;
        }
        WindowState* window = core_->windowOfLocked(element);
        if (!element.isApplication() && !window) return AXError::invalidUIElement;
        if (window && !core_->childLocked(element) && action == AXName::raise) {
            core_->raiseLocked(*window);
            core_->setFocusedWindowLocked(*core_->appLocked(window->pid), window->number, out);
            result = AXError::success;
        }
    }
    core_->deliver(out);
    return result;
}

AXError SimAccessibility::windowNumber(const AXElement& element, WindowID& number) {
    number = 0;
    if (element.isApplication() || element == kSystemWide) return AXError::illegalArgument;
    // Asking for the number is a message to the application too, so a hang holds it up.
    std::unique_lock lock(core_->mutex());
    if (AXError error = core_->enterLocked(lock, element); error != AXError::success) return error;
    WindowState* window = core_->windowOfLocked(element);
    if (!window) return AXError::invalidUIElement;
    if (core_->childLocked(element)) return AXError::failure;
    number = window->number;
    return AXError::success;
}

AXError SimAccessibility::processID(const AXElement& element, Pid& pid) {
    // The process is part of the element itself, so a gone window still answers.
    if (element == kSystemWide) return AXError::illegalArgument;
    pid = element.pid;
    return AXError::success;
}

AXError SimAccessibility::setMessagingTimeout(const AXElement& element, double seconds) {
    if (seconds < 0) return AXError::illegalArgument;
    std::lock_guard lock(core_->mutex());
    core_->setMessagingTimeoutLocked(element, seconds);
    return AXError::success;
}

AXError SimAccessibility::elementAtPosition(const AXElement& root, Point point,
                                            AXElement& element) {
    std::unique_lock lock(core_->mutex());
    if (AXError error = core_->enterLocked(lock, root); error != AXError::success) return error;
    std::optional<AXElement> found;
    for (WindowID number : core_->stacking) {
        const WindowState& window = *core_->windowLocked(number);
        if (root != kSystemWide && window.pid != root.pid) continue;
        if (!core_->onScreenLocked(window) || !contains(window.frame, point)) continue;
        found = core_->elementLocked(window);
        // The deepest element: at each level, the last added child under the point.
        for (bool deeper = true; deeper;) {
            deeper = false;
            const auto children = window.childrenOf(found->ref);
            for (auto child = children.rbegin(); child != children.rend(); ++child) {
                if (contains((*child)->setup.frame, point)) {
                    found = AXElement{window.pid, (*child)->ref};
                    deeper = true;
                    break;
                }
            }
        }
        break;
    }
    if (!found) return AXError::noValue;
    // From the system-wide element the search ends in the application under the point, which
    // answers like any other call: a hung one holds the caller up.
    if (root == kSystemWide) {
        if (AXError error = core_->enterLocked(lock, *found); error != AXError::success) {
            return error;
        }
    }
    element = *found;
    return AXError::success;
}

std::unique_ptr<AXObserver> SimAccessibility::createObserver(Pid pid,
                                                             AXObserver::Callback callback) {
    if (!callback) return nullptr;
    std::lock_guard lock(core_->mutex());
    AppState* app = core_->appLocked(pid);
    if (!app || app->observerCreationFails) return nullptr;
    auto state = std::make_shared<ObserverCore>();
    state->pid = pid;
    state->callback = std::move(callback);
    if (app->failingObservers > 0) {
        --app->failingObservers;
        state->registrationsFail = true;
        state->failure = app->registrationFailure;
    }
    core_->observers[pid].push_back(state);
    return std::make_unique<SimObserver>(core_, std::move(state));
}

bool SimAccessibility::isProcessTrusted() {
    std::lock_guard lock(core_->mutex());
    return core_->trusted;
}

bool SimAccessibility::isProcessTrustedWithPrompt() {
    std::lock_guard lock(core_->mutex());
    ++core_->prompts;
    return core_->trusted;
}

SimObserver::~SimObserver() {
    state_->alive = false;
    state_->scheduled = false;
}

AXError SimObserver::addNotification(const AXElement& element, std::string_view notification) {
    std::shared_ptr<SimCore> core = core_.lock();
    if (!core || !state_->alive) return AXError::invalidUIElementObserver;
    std::unique_lock lock(core->mutex());
    if (element.pid != state_->pid) return AXError::illegalArgument;
    if (AXError error = core->enterLocked(lock, element); error != AXError::success) return error;
    if (!element.isApplication() && !core->windowOfLocked(element)) {
        return AXError::invalidUIElement;
    }
    if (!knownNotification(notification)) return AXError::notificationUnsupported;
    if (state_->registrationsFail) return state_->failure;
    const bool added =
        state_->registrations.insert({element.ref, std::string(notification)}).second;
    return added ? AXError::success : AXError::notificationAlreadyRegistered;
}

AXError SimObserver::removeNotification(const AXElement& element, std::string_view notification) {
    std::shared_ptr<SimCore> core = core_.lock();
    if (!core || !state_->alive) return AXError::invalidUIElementObserver;
    std::lock_guard lock(core->mutex());
    const bool removed = state_->registrations.erase({element.ref, std::string(notification)}) > 0;
    return removed ? AXError::success : AXError::notificationNotRegistered;
}

}  // namespace tessarin::sim
