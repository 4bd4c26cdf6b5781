#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/action.hpp"
#include "core/layout_config.hpp"
#include "core/saved_arrangement.hpp"
#include "engine/engine_hooks.hpp"
#include "engine/engine_state.hpp"
#include "engine/engine_view.hpp"
#include "engine/layout_geometry.hpp"
#include "platform/platform.hpp"
#include "settings/preferences.hpp"
#include "system/displays.hpp"
#include "system/web_accessibility.hpp"
#include "system/window_mover.hpp"
#include "system/window_tracker.hpp"

namespace tessarin {

// The tiling engine: one strip per display, every managed window, the layout pipeline and the
// command layer. Everything runs on the main loop. The implementation is split by concern:
// window_manager.cpp (start and stop, displays, system notifications), admission.cpp,
// reconciliation.cpp, health.cpp, layout_memory.cpp, preference_application.cpp, pointer.cpp,
// layout_pipeline.cpp, layout_sizes.cpp, focus.cpp, commands.cpp.
//
// Its public face is small: start and stop, commands, the overview's model and a read-only
// view of what it holds. The desktop reaches it through the tracker and the workspace
// notifications; everything else is its own business.
class WindowManager : private WindowTrackerDelegate,
                      public std::enable_shared_from_this<WindowManager> {
  public:
    static std::shared_ptr<WindowManager> create(Platform platform, Preferences& prefs,
                                                 EngineHooks hooks = {}, Pid ownPid = 0);
    ~WindowManager() override;

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // Does nothing when running already or without the accessibility permission.
    void start();
    // `paused` records that the user paused tiling, so the shell can offer to resume.
    void stop(bool paused);
    bool isRunning() const { return state_.isRunning; }
    bool isPaused() const { return state_.isPaused; }

    std::function<void()> onStateChange;
    // Called when what a watcher of the desktop sees may have changed: a display laid out,
    // focus moved, a window forgotten or floated, the displays re-read, a start or stop. Fires
    // often (every animation frame); a listener gathers the calls and must not call back into
    // the engine from inside it.
    std::function<void()> onLayoutChange;
    std::function<void()> onPermissionLost;
    void addActionObserver(std::function<void(Action)> observer);

    // Runs a command on the strip of the focused window's display (or the one under the
    // pointer), whatever its source: a hot key, the menu, a URL.
    void perform(Action action);
    // What the strip overview draws for one display.
    StripIndicatorModel model(const std::string& key);
    // Focuses a column of a display's strip, as a click in the overview does.
    void focusColumn(std::int64_t index, const std::string& key);

    // A plain-text snapshot of everything the engine holds, for problem reports, dated `at`.
    std::string debugDump(std::chrono::system_clock::time_point at);
    // Writes the snapshot to "state.txt" beside the log, replacing the previous one, and
    // returns where; none without a log folder. A failed write is logged, never fatal.
    std::optional<std::filesystem::path> writeDebugDump();

    // Continuous input (swipes, modifier scrolls), as the input taps deliver it: one unit of
    // normalised trackpad movement is worth the reference width; a distance slides the strip
    // under the pointer (in focus mode it is gathered for a step at the end); the end settles
    // the strip on a window, projecting the release velocity.
    double swipeReferenceWidth();
    void inputScroll(double distance);
    void inputScrollEnded(double velocity);
    // Where each display's windows would go with other gaps, for the preview while the user
    // drags the gap sliders.
    std::vector<GapPreviewScreen> previewLayout(double gap, double outerGap) const;

    // Saves the strips and the monitor setup's arrangement now rather than after the pause
    // that gathers a burst of changes.
    void saveLayoutNow();
    // Where the strips are kept between runs, in the settings store.
    static constexpr const char* savedStripsKey = "savedStrips";

    // What the engine holds, read-only.
    EngineView view() const;

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    WindowManager(Key, Platform platform, Preferences& prefs, EngineHooks hooks, Pid ownPid);

  private:
    // --- start, stop, displays, notifications (window_manager.cpp)
    double now() const { return platform_.mainLoop.now(); }
    // Runs `task` after `seconds` on the main loop if the engine still exists.
    void later(double seconds, std::function<void(WindowManager&)> task);
    void refreshDisplays();
    // Moves the windows that a detached strip still holds onto the first tiled display's strip.
    void lendToPrimary(const std::string& key, const Strip& detached);
    // Re-reads the displays after the system announced a change, and writes every window anew.
    void followDisplayChange();
    // Moves and resizes reported for `settle` seconds are the system's, not the user's.
    void ignoreSystemMoves(double settle);
    void observeSystem();
    void handleWorkspaceEvent(WorkspaceEvent event, const std::optional<RunningApplication>& app);
    void insertNewColumn(Strip& strip, WindowID id, double fraction, bool focus) const;
    std::string describe(const AXWindow& window);
    // One window's line in the debug dump: who it is, where it is and where it should be.
    std::string dumpLine(WindowID id);

    // --- admission (admission.cpp)
    void addApp(Pid pid);
    bool consider(const AXElement& element, Pid pid);
    std::set<WindowID> presentIDs();
    bool shouldFloat(const AXWindow& window);
    std::optional<WindowID> systemFocusedWindow();
    void zoomByDoubleClick(WindowID id);
    // WindowTrackerDelegate
    void trackerWindowCreated(const AXElement& element, Pid pid) override;
    void trackerWindowMoved(WindowID id) override;
    void trackerWindowResized(WindowID id) override;
    void trackerWindowMinimizeChanged(WindowID id) override;
    void trackerFocusChanged() override;
    void trackerWindowDestroyed(WindowID id) override;

    // --- reconciliation (reconciliation.cpp)
    void forget(WindowID id);
    std::optional<WindowID> neighbourAfterClose(const std::string& key, std::int64_t column,
                                                std::optional<Pid> closingPid);
    void reconcileSoon(double delay);
    // `present`: the windows on screen, when the caller has just read them.
    void reconcile(std::optional<std::set<WindowID>> present = std::nullopt);
    void enterFullscreen(WindowID id);
    void rescanAllApps();
    void parkDormant(WindowID id, const std::string& key, std::size_t column);
    void returnToStrip(WindowID id, const Dormant& place);
    void considerRescanned(const std::vector<std::pair<AXElement, WindowID>>& found, Pid pid);

    // --- health checks (health.cpp)
    void startHealthChecks();
    void stopHealthChecks();
    void healthCheck();
    // `server`: the window server's frames of the windows on screen.
    void correctDrift(const std::map<WindowID, Rect>& server);
    void checkDrift(const std::string& key, WindowID id, const Rect& wanted, const Rect& actual);

    // --- pointer interaction (pointer.cpp)
    void flushScroll();
    // A tiled window was moved or resized by the user; act once the mouse button is released.
    void waitForMouseUp();
    void stopWaitingForMouseUp();
    void finishUserInteraction();
    std::optional<Rect> actualFrame(WindowID id);
    // The frame the layout would give the window now.
    std::optional<Rect> lastWanted(WindowID id, const std::string& key) const;

    // --- settings changes (preference_application.cpp)
    void observePreferences();
    PrefsSnapshot prefsSnapshot() const;
    void preferencesChanged();
    void applyFloatingRules();

    // --- layout memory (layout_memory.cpp)
    void scheduleSave();
    void cancelPendingSave();
    void saveDockingLayout();
    // The key of the displays connected now.
    std::string currentSetupKey() const;
    void restoreSavedLayout();
    void monitorSetupChanged();
    void restoreDockingLayout(const SavedArrangement& arrangement, const std::string& name);
    // Brings windows parked at the strip's edges fully onto their display when tiling stops.
    void releaseWindows();

    // --- layout pipeline (layout_pipeline.cpp, layout_sizes.cpp)
    void setNeedsLayout(const std::string& key, bool reveal);
    void layout(const std::string& key, bool reveal, std::optional<bool> animated = std::nullopt);
    void layoutAll(bool animated);
    void animateScroll(const std::string& key, double to,
                       std::optional<bool> animated = std::nullopt);
    void apply(const std::string& key);
    void startAnimationTimer();
    void tick();
    void verifySizes(const std::string& key);
    void adoptMinimumSize(WindowID id, Size actual, Size wanted);
    bool isOwnEcho(WindowID id);
    // Forgets the frame last written to a window, here and in the mover, so the next write is
    // complete: something other than the engine changed the window.
    void dropApplied(WindowID id);
    // The frames last written to the strip's windows: where a morph starts from.
    WindowMap<Rect> appliedFrames(const Strip& strip) const;
    LayoutGeometry geometry(const Display& display) const;
    // The frames the layout gives the strip's windows now (focus mode included, no morph).
    WindowMap<Rect> layoutFrames(const Display& shown, const Strip& strip) const;

    // --- focus (focus.cpp)
    void focusWindow(WindowID id);
    void syncFocusFromSystem();
    void updateBorder();
    std::optional<Display> display(const std::optional<std::string>& key) const;
    // Whether the user keeps a display out of tiling.
    bool isExcluded(const std::string& uuid) const;
    // Where a window that has to be tiled goes: the preferred display, else the active one, else
    // the one under the pointer, skipping displays that are gone or excluded; none if none fits.
    std::optional<std::string> tileTarget(const std::optional<std::string>& preferred) const;

    // --- commands (commands.cpp)
    std::optional<std::string> commandKey();
    // The record of a window that is tiled in the strip of its display; none otherwise.
    ManagedWindow* tiledWindow(WindowID id);
    void toggleFocusMode();
    void toggleFloat();
    void sendToNextDisplay();
    void showIndicator(const std::string& key, bool sticky);

    Platform platform_;
    Preferences& prefs_;
    EngineHooks hooks_;
    Pid ownPid_;
    Displays displays_;
    WindowTracker tracker_;
    std::shared_ptr<WindowMover> mover_;
    std::shared_ptr<WebAccessibility> webAccessibility_;
    EngineState state_;
    EngineRun run_;
    std::vector<std::function<void(Action)>> actionObservers_;
    std::optional<Workspace::ObserverID> workspaceObserver_;
    // Defaults for the hooks that were not given.
    InputControl noInput_;
    std::optional<Signal<std::string_view>::Token> prefsObserver_;
    StripIndicator noIndicator_;
    FocusBorder noBorder_;
};

}  // namespace tessarin
