#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "backends/sim/sim_accessibility.hpp"
#include "backends/sim/sim_input.hpp"
#include "backends/sim/sim_services.hpp"
#include "backends/sim/sim_setup_check.hpp"
#include "backends/sim/sim_types.hpp"
#include "platform/platform.hpp"

namespace tessarin::sim {

// An in-memory desktop: displays, applications, windows, pointer and workspaces behind every
// interface of the platform boundary, with notifications delivered on the given main loop and
// time taken from it. The driver operations below play the user and the other applications;
// each sends the notifications the real desktop would. All of it is safe from any thread.
//
// Time: the sim's Clock reads the loop's time plus the latency that simulated calls have spent
// (write latency, timed-out calls of hung applications). Spending latency never runs the
// loop's due work, so a caller that measures a write with the Clock sees the delay while the
// main loop's timers keep their own time; a test advances the loop when it wants time to pass
// for everyone.
class SimDesktop {
  public:
    explicit SimDesktop(MainLoop& loop);
    ~SimDesktop();
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    Accessibility& accessibility() { return accessibility_; }
    WindowServer& windowServer() { return windowServer_; }
    Screens& screens() { return screens_; }
    Pointer& pointer() { return pointer_; }
    Workspace& workspace() { return workspace_; }
    const Clock& clock() const { return clock_; }
    // Keyboard, mouse and trackpad: the taps and hot keys, and the events a test sends.
    SimInput& input() { return input_; }
    SetupCheck& setupCheck() { return setupCheck_; }
    Platform platform(QueueFactory& queues);

    // Displays. Plugging gives a fresh display number each time, as the system does; the
    // identity that survives a reconnection is the UUID.
    std::uint32_t plugDisplay(const DisplaySetup& setup);
    // Windows on an unplugged display move to the primary one. When the primary goes, the
    // next display becomes primary and the global space is shifted so it sits at the origin.
    bool unplugDisplay(std::uint32_t number);
    // A changed resolution or arrangement; the visible frame defaults as when plugging.
    bool setDisplayFrame(std::uint32_t number, Rect frame,
                         std::optional<Rect> visibleFrame = std::nullopt);
    std::optional<std::uint32_t> displayNumber(const std::string& uuid) const;
    // Top-left convention; none for a display that is not plugged in.
    std::optional<Rect> displayFrame(std::uint32_t number) const;

    // Applications.
    Pid launch(const AppSetup& setup);
    bool quit(Pid pid);
    bool hide(Pid pid);
    bool unhide(Pid pid);
    bool activate(Pid pid);
    bool setActivationPolicy(Pid pid, ActivationPolicy policy);

    // Windows, as their application or the user changes them.
    std::optional<WindowID> openWindow(Pid pid, const WindowSetup& setup);
    bool closeWindow(WindowID number);
    // `notify` false loses the moved and resized notifications, as real desktops sometimes do.
    bool moveWindow(WindowID number, Rect frame, bool notify = true);
    bool setMinimized(WindowID number, bool minimized);
    bool setFullScreen(WindowID number, bool fullScreen);
    bool setTitle(WindowID number, const std::string& title);
    bool setMinimumSize(WindowID number, Size size);
    bool setWindowFaults(WindowID number, const WindowFaults& faults);
    // Activates the window's application and makes the window its focused, frontmost one.
    bool focusWindow(WindowID number);
    // A window moved to another workspace in the desktop's overview: a Space change is
    // announced, and if the focused window left, the topmost one shown gets the focus.
    bool moveToWorkspace(WindowID number, int workspace);
    // The topmost window shown on the new workspace gets the focus.
    void switchWorkspace(int workspace);
    // How far the global space has moved since the desktop began (it moves so the primary
    // display's top-left corner stays at the origin). A frame from earlier plus this is where
    // the same place is now.
    Point spaceShift() const;
    // A child element of a window (a slider, a video player...), for hit tests.
    std::optional<AXElement> addElement(WindowID number, const std::string& role, Rect frame,
                                        std::optional<std::string> subrole = std::nullopt);
    // An element with its children under `parent`, a window or an element inside one; none
    // when the parent is neither.
    std::optional<AXElement> addElement(const AXElement& parent, const ElementSetup& setup);

    std::optional<WindowSnapshot> window(WindowID number) const;
    std::optional<AXElement> element(WindowID number) const;
    std::vector<WindowID> windows(Pid pid) const;
    std::optional<WindowID> focusedWindow() const;

    // The pointer, top-left convention.
    void setPointer(Point location);
    Point pointerLocation() const;
    void setPressedButtons(std::uint32_t buttons);
    void setModifierFlags(std::uint32_t flags);
    std::vector<Point> warps() const;

    // Workspace events with no application: wake, screens wake, session active, and so on.
    void postWorkspaceEvent(WorkspaceEvent event);
    std::vector<std::string> openedURLs() const;

    // The system's settings as its preference domains hold them: numbers, booleans, text.
    // Nothing is set at first; an absent key reads as the system's default.
    void setSystemPreference(const std::string& domain, const std::string& key,
                             nlohmann::json value);
    void removeSystemPreference(const std::string& domain, const std::string& key);
    // The system's major version (15 unless set).
    void setSystemMajorVersion(int major);

    // Faults.
    void setWriteLatency(Pid pid, double seconds);
    void setHung(Pid pid, HangMode mode);
    // Lets every call now blocked on the hung application time out.
    void releaseHungCalls(Pid pid);
    // Waits (without a timeout) until `count` calls are blocked on the application.
    void waitForBlockedCalls(Pid pid, int count);
    int blockedCalls(Pid pid) const;
    // Every registration on the next `observers` observers created for the application fails.
    void failObserverRegistrations(Pid pid, int observers, AXError error = AXError::cannotComplete);
    void failObserverCreation(Pid pid, bool fails);
    void setTrusted(bool trusted);
    int trustPrompts() const;
    void setWindowListReadable(bool readable);

    // Every attribute write, in the order it arrived.
    std::vector<AttributeWrite> writes() const;
    void clearWrites();
    // On by default; a long headless run turns it off so the record does not grow forever.
    void setRecordingWrites(bool recording);
    double spentLatency() const;

  private:
    template <typename Change>
    bool change(Change&& change);
    // The same for one window; false when there is no such window.
    template <typename Change>
    bool changeWindow(WindowID number, Change&& change);

    std::shared_ptr<SimCore> core_;
    SimAccessibility accessibility_;
    SimWindowServer windowServer_;
    SimScreens screens_;
    SimPointer pointer_;
    SimWorkspace workspace_;
    SimClock clock_;
    SimInput input_;
    SimSetupCheck setupCheck_;
};

// Runs `change` on the locked state and then delivers what it queued.
template <typename Change>
bool SimDesktop::change(Change&& change) {
    Outbox out;
    bool done;
    {
        std::lock_guard lock(core_->mutex());
        done = change(*core_, out);
    }
    core_->deliver(out);
    return done;
}

template <typename Change>
bool SimDesktop::changeWindow(WindowID number, Change&& change) {
    return this->change([&](SimCore& core, Outbox& out) {
        WindowState* window = core.windowLocked(number);
        if (!window) return false;
        change(core, *window, out);
        return true;
    });
}

}  // namespace tessarin::sim
