#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "backends/sim/sim_types.hpp"
#include "base/main_loop.hpp"
#include "platform/accessibility.hpp"
#include "platform/workspace.hpp"

namespace tessarin::sim {

// Shared between an observer handle, the sim and the deliveries posted to the main loop, so a
// delivery can tell whether its observer is still there and scheduled when it runs.
struct ObserverCore {
    Pid pid = 0;
    AXObserver::Callback callback;
    std::atomic<bool> alive{true};
    std::atomic<bool> scheduled{false};
    bool registrationsFail = false;  // guarded by the sim's mutex, like `registrations`
    AXError failure = AXError::cannotComplete;
    std::set<std::pair<std::uint64_t, std::string>> registrations;
};

struct WorkspaceObserverCore {
    Workspace::Observer observer;
    std::atomic<bool> alive{true};
};

// An element inside a window; `setup` keeps its attributes, never its children, which are
// elements of their own that name it as their parent.
struct ChildState {
    std::uint64_t ref = 0;
    std::uint64_t parent = 0;  // the window's ref for its direct children
    ElementSetup setup;
};

struct WindowState {
    WindowID number = 0;
    std::uint64_t ref = 0;
    Pid pid = 0;
    std::string title;
    std::optional<std::string> role;
    std::optional<std::string> subrole;
    Rect frame;
    Rect frameBeforeFullScreen;
    Size minimumSize;
    bool fixedSize = false;
    bool minimized = false;
    bool fullScreen = false;
    int workspace = 1;
    std::int64_t layer = 0;
    WindowFaults faults;
    std::vector<ChildState> children;  // every element inside, in the order added

    // The elements whose parent is `ref`, in the order added.
    std::vector<const ChildState*> childrenOf(std::uint64_t ref) const;
};

struct AppState {
    RunningApplication info;
    std::vector<WindowID> windows;  // in creation order
    std::optional<WindowID> focused;
    bool enhancedUI = false;
    bool manualAccessibility = false;
    double writeLatency = 0;
    HangMode hang = HangMode::none;
    std::uint64_t hangReleases = 0;
    int blockedCalls = 0;
    int failingObservers = 0;  // observers still to be created whose registrations fail
    AXError registrationFailure = AXError::cannotComplete;
    bool observerCreationFails = false;
};

struct DisplayState {
    std::uint32_t number = 0;
    DisplaySetup setup;
};

// Work to hand to the main loop once the state lock is released: deliveries never run, and
// the loop is never called, while the lock is held.
using Outbox = std::vector<Task>;

// The whole simulated desktop's state behind one mutex, with the primitive operations that the
// driver and the platform services share. Methods named `...Locked` expect the lock held.
class SimCore {
  public:
    explicit SimCore(MainLoop& loop) : loop_(loop) {}

    MainLoop& loop() { return loop_; }
    std::mutex& mutex() { return mutex_; }
    std::condition_variable& changed() { return changed_; }
    void deliver(Outbox& out);

    // The sim's clock: the loop's time plus the latency spent by simulated calls so far.
    double now() const;
    double spentLocked() const { return spent_; }
    void spendLocked(double seconds) { spent_ += seconds; }

    AppState* appLocked(Pid pid);
    WindowState* windowLocked(WindowID number);
    // The window an element belongs to (the window itself or one of its children).
    WindowState* windowOfLocked(const AXElement& element);
    const ChildState* childLocked(const AXElement& element);
    AXElement elementLocked(const WindowState& window) const { return {window.pid, window.ref}; }
    std::uint64_t newRefLocked() { return nextRef_++; }
    void registerRefLocked(std::uint64_t ref, WindowID window) { refs_[ref] = window; }

    // Display geometry, top-left convention.
    const DisplayState* displayAtLocked(Point point) const;
    const DisplayState* displayForLocked(const Rect& frame) const;

    bool onScreenLocked(const WindowState& window) const;
    WindowID frontmostWindowLocked(Pid pid) const;  // 0 when none

    // Primitive window changes; each queues the notifications the platform would send.
    void setFrameLocked(WindowState& window, Rect frame, Outbox& out);
    void setMinimizedLocked(WindowState& window, bool minimized, Outbox& out);
    void setFullScreenLocked(WindowState& window, bool fullScreen, Outbox& out);
    void raiseLocked(WindowState& window);
    void setFocusedWindowLocked(AppState& app, std::optional<WindowID> window, Outbox& out);
    void destroyWindowLocked(WindowID number, Outbox& out);
    bool activateLocked(Pid pid, Outbox& out);
    // The user lands on the current workspace: the topmost window shown there gets the focus and
    // its application comes to the front. Nothing changes when no window is shown.
    void focusTopmostLocked(Outbox& out);

    void notifyLocked(Pid pid, const AXElement& subject, std::string_view notification,
                      Outbox& out);
    void workspaceEventLocked(WorkspaceEvent event, std::optional<RunningApplication> app,
                              Outbox& out);

    // The gate every accessibility call passes: trust, a live application, a hang. On success
    // the lock is still held and the call may proceed.
    AXError enterLocked(std::unique_lock<std::mutex>& lock, const AXElement& element);
    double messagingTimeoutLocked(const AXElement& element) const;
    void setMessagingTimeoutLocked(const AXElement& element, double seconds);

    // State, guarded by the mutex.
    std::map<Pid, AppState> apps;
    std::map<WindowID, WindowState> windows;
    std::vector<WindowID> stacking;  // front to back
    std::vector<DisplayState> displays;
    std::map<Pid, std::vector<std::weak_ptr<ObserverCore>>> observers;
    std::map<Workspace::ObserverID, std::shared_ptr<WorkspaceObserverCore>> workspaceObservers;
    std::vector<AttributeWrite> writes;
    bool recordingWrites = true;
    std::optional<Pid> frontmost;
    int currentWorkspace = 1;
    bool trusted = true;
    int prompts = 0;
    bool windowListReadable = true;
    bool shuttingDown = false;
    int blockedTotal = 0;  // calls waiting on hung applications, all applications together
    Point pointer;         // top-left convention
    Point shift;           // how far the global space has moved since the desktop began
    std::uint32_t buttons = 0;
    std::uint32_t modifiers = 0;
    std::vector<Point> warps;
    std::vector<std::string> openedURLs;
    // The system's settings: domain, then key, then the value as the system stores it.
    std::map<std::string, std::map<std::string, nlohmann::json>> preferences;
    int systemMajorVersion = 15;
    Pid nextPid = 501;
    WindowID nextWindow = 101;
    std::uint32_t nextDisplay = 1;
    Workspace::ObserverID nextObserver = 1;

  private:
    MainLoop& loop_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    double spent_ = 0;
    std::uint64_t nextRef_ = 0x10000;
    std::map<std::uint64_t, WindowID> refs_;
    std::map<std::pair<Pid, std::uint64_t>, double> timeouts_;
};

// The system-wide element: no process, a reference no window ever gets.
inline constexpr AXElement kSystemWide{0, 1};

}  // namespace tessarin::sim
