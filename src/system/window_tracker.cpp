#include "system/window_tracker.hpp"

#include <algorithm>
#include <string>

#include "base/log.hpp"
#include "platform/ax_names.hpp"

namespace tessarin {

const std::vector<std::string_view>& WindowTracker::appNotifications() {
    static const std::vector<std::string_view> names{AXName::windowCreated,
                                                     AXName::focusedWindowChanged};
    return names;
}

const std::vector<std::string_view>& WindowTracker::windowNotifications() {
    static const std::vector<std::string_view> names{
        AXName::elementDestroyed, AXName::windowMoved, AXName::windowResized,
        AXName::windowMiniaturized, AXName::windowDeminiaturized};
    return names;
}

WindowTracker::WindowTracker(Accessibility& ax, Workspace& workspace, MainLoop& mainLoop)
    : ax_(ax),
      workspace_(workspace),
      mainLoop_(mainLoop),
      self_(std::make_shared<WindowTracker*>(this)) {}

void WindowTracker::observe(Pid pid, int attempt, std::function<void()> onReady) {
    if (apps_.count(pid)) {
        if (onReady) onReady();
        return;
    }
    std::weak_ptr<WindowTracker*> weak = self_;
    auto observer =
        ax_.createObserver(pid, [weak](const AXElement& element, const std::string& notification) {
            if (auto self = weak.lock()) (*self)->handle(element, notification);
        });
    if (!observer) return;

    AXElement app = ax_.application(pid);
    ax_.setMessagingTimeout(app, messagingTimeout);
    // Chromium and Electron applications build their accessibility tree only when asked.
    ax_.setAttribute(app, AXName::manualAccessibility, true);

    int registered = 0;
    std::vector<AXError> errors;
    for (std::string_view name : appNotifications()) {
        AXError result = observer->addNotification(app, name);
        if (result == AXError::success || result == AXError::notificationAlreadyRegistered) {
            ++registered;
        } else {
            errors.push_back(result);
        }
    }

    if (registered == 0 && attempt <= lastRetriedAttempt) {
        const std::uint64_t ticket = nextTicket_++;
        auto retry = [weak, ticket, pid, attempt, onReady = std::move(onReady)]() mutable {
            auto self = weak.lock();
            if (!self) return;
            (*self)->retries_.erase(ticket);
            (*self)->observe(pid, attempt + 1, std::move(onReady));
        };
        retries_[ticket] = {pid, mainLoop_.after(retryDelay, std::move(retry))};
        return;
    }

    install(pid, app, std::move(observer), registered, errors);
    if (onReady) onReady();
}

void WindowTracker::install(Pid pid, AXElement app, std::unique_ptr<AXObserver> observer,
                            int registered, const std::vector<AXError>& errors) {
    if (!errors.empty()) {
        std::string name = "pid " + std::to_string(pid);
        if (auto running = workspace_.application(pid);
            running && running->localizedName && !running->localizedName->empty()) {
            name = *running->localizedName;
        }
        std::string codes;
        for (AXError error : errors) {
            if (!codes.empty()) codes += ", ";
            codes += std::to_string(code(error));
        }
        Log::info("observe " + name + ": " + std::to_string(registered) + "/" +
                  std::to_string(appNotifications().size()) + " notifications, errors [" + codes +
                  "]");
    }
    observer->schedule();
    apps_[pid] = AppEntry{app, std::move(observer), {}};
}

void WindowTracker::observeWindow(const AXWindow& window) {
    auto entry = apps_.find(window.pid);
    if (entry == apps_.end()) return;
    auto& windows = entry->second.windows;
    if (std::any_of(windows.begin(), windows.end(),
                    [&](const TrackedWindow& tracked) { return tracked.id == window.id; })) {
        return;
    }
    for (std::string_view name : windowNotifications()) {
        entry->second.observer->addNotification(window.element, name);
    }
    windows.push_back({window.element, window.id});
}

void WindowTracker::forgetWindow(WindowID id) {
    for (auto& [pid, entry] : apps_) {
        std::erase_if(entry.windows,
                      [id](const TrackedWindow& tracked) { return tracked.id == id; });
    }
}

void WindowTracker::unobserve(Pid pid) {
    std::erase_if(retries_, [&](const auto& item) {
        if (item.second.pid != pid) return false;
        mainLoop_.cancel(item.second.timer);
        return true;
    });
    auto entry = apps_.find(pid);
    if (entry == apps_.end()) return;
    entry->second.observer->unschedule();
    apps_.erase(entry);
}

void WindowTracker::stopAll() {
    for (const auto& [ticket, retry] : retries_)
        mainLoop_.cancel(retry.timer);
    retries_.clear();
    for (auto& [pid, entry] : apps_)
        entry.observer->unschedule();
    apps_.clear();
}

AXElement WindowTracker::appElement(Pid pid) {
    auto entry = apps_.find(pid);
    return entry != apps_.end() ? entry->second.app : ax_.application(pid);
}

std::optional<WindowID> WindowTracker::lookup(const AXElement& element) {
    WindowID number = 0;
    if (ax_.windowNumber(element, number) == AXError::success && number != 0) return number;
    // A destroyed element usually no longer yields its number; the list still knows it.
    for (const auto& [pid, entry] : apps_) {
        for (const TrackedWindow& tracked : entry.windows) {
            if (tracked.element == element) return tracked.id;
        }
    }
    return std::nullopt;
}

void WindowTracker::handle(const AXElement& element, const std::string& notification) {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    if (notification == AXName::windowCreated) {
        Pid pid = 0;
        if (ax_.processID(element, pid) == AXError::success) {
            delegate->trackerWindowCreated(element, pid);
        }
    } else if (notification == AXName::focusedWindowChanged) {
        delegate->trackerFocusChanged();
    } else if (notification == AXName::elementDestroyed) {
        if (auto id = lookup(element)) {
            forgetWindow(*id);
            delegate->trackerWindowDestroyed(*id);
        }
    } else if (notification == AXName::windowMoved) {
        if (auto id = lookup(element)) delegate->trackerWindowMoved(*id);
    } else if (notification == AXName::windowResized) {
        if (auto id = lookup(element)) delegate->trackerWindowResized(*id);
    } else if (notification == AXName::windowMiniaturized ||
               notification == AXName::windowDeminiaturized) {
        if (auto id = lookup(element)) delegate->trackerWindowMinimizeChanged(*id);
    }
}

}  // namespace tessarin
