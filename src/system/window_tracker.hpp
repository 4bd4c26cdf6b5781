#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/main_loop.hpp"
#include "core/window_id.hpp"
#include "platform/accessibility.hpp"
#include "platform/workspace.hpp"
#include "system/ax_window.hpp"

namespace tessarin {

// What the tracker tells the engine. Every call arrives on the main loop.
class WindowTrackerDelegate {
  public:
    virtual ~WindowTrackerDelegate() = default;
    virtual void trackerWindowCreated(const AXElement& element, Pid pid) = 0;
    virtual void trackerWindowMoved(WindowID id) = 0;
    virtual void trackerWindowResized(WindowID id) = 0;
    virtual void trackerWindowMinimizeChanged(WindowID id) = 0;
    // The system's focused window changed: the engine synchronises its focus from the system.
    virtual void trackerFocusChanged() = 0;
    // A tracked window was destroyed: the engine forgets it.
    virtual void trackerWindowDestroyed(WindowID id) = 0;
};

// One accessibility observer per observed application, turning its notifications into delegate
// calls. Used only on the main loop.
class WindowTracker {
  public:
    static constexpr double messagingTimeout = 0.5;
    static constexpr double retryDelay = 0.5;
    // Retries while no notification can be registered; the attempt after the last is installed.
    static constexpr int lastRetriedAttempt = 5;

    static const std::vector<std::string_view>& appNotifications();
    static const std::vector<std::string_view>& windowNotifications();

    WindowTracker(Accessibility& ax, Workspace& workspace, MainLoop& mainLoop);
    WindowTracker(const WindowTracker&) = delete;
    WindowTracker& operator=(const WindowTracker&) = delete;

    // Held weakly: notifications are dropped once the delegate is gone.
    void setDelegate(std::weak_ptr<WindowTrackerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // Starts observing an application; `onReady` runs once it is observed (at once when it
    // already is). An application that has just launched often refuses every registration, so it
    // is retried every 0.5 s and installed anyway on attempt 6.
    void observe(Pid pid, int attempt = 0, std::function<void()> onReady = {});
    void observeWindow(const AXWindow& window);
    void forgetWindow(WindowID id);
    void unobserve(Pid pid);
    void stopAll();

    bool isObserving(Pid pid) const { return apps_.count(pid) > 0; }
    // The observed application's element, or a fresh one for an unobserved process.
    AXElement appElement(Pid pid);

    // The notification dispatcher that observer callbacks call; public for the engine's tests.
    void handle(const AXElement& element, const std::string& notification);

  private:
    struct TrackedWindow {
        AXElement element;
        WindowID id;
    };
    struct AppEntry {
        AXElement app;
        std::unique_ptr<AXObserver> observer;
        std::vector<TrackedWindow> windows;
    };

    std::optional<WindowID> lookup(const AXElement& element);
    void install(Pid pid, AXElement app, std::unique_ptr<AXObserver> observer, int registered,
                 const std::vector<AXError>& errors);

    Accessibility& ax_;
    Workspace& workspace_;
    MainLoop& mainLoop_;
    std::weak_ptr<WindowTrackerDelegate> delegate_;
    std::map<Pid, AppEntry> apps_;
    // Retries waiting on the main loop, by ticket; cancelled when their application is
    // unobserved, so a stopped engine is not handed an application later.
    struct Retry {
        Pid pid;
        MainLoop::TimerID timer;
    };
    std::map<std::uint64_t, Retry> retries_;
    std::uint64_t nextTicket_ = 0;
    // Observer callbacks and retries check it, so none reaches a destroyed tracker.
    std::shared_ptr<WindowTracker*> self_;
};

}  // namespace tessarin
