#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/action.hpp"
#include "core/layout_config.hpp"
#include "engine/engine_hooks.hpp"
#include "engine/engine_state.hpp"
#include "platform/platform.hpp"
#include "settings/preferences.hpp"
#include "system/displays.hpp"
#include "system/web_accessibility.hpp"
#include "system/window_mover.hpp"
#include "system/window_tracker.hpp"

namespace tessarin {

// The tiling engine: one strip per display, every managed window, the layout pipeline and the
// command layer. Everything runs on the main loop. The implementation is split by concern:
// window_manager.cpp (state, start and stop, displays, system notifications), admission.cpp,
// reconciliation.cpp, layout_pipeline.cpp, focus.cpp, commands.cpp.
class WindowManager : public WindowTrackerDelegate,
                      public std::enable_shared_from_this<WindowManager> {
  public:
    static std::shared_ptr<WindowManager> create(Platform platform, Preferences& prefs,
                                                 EngineHooks hooks = {}, Pid ownPid = 0);
    ~WindowManager() override;

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    // --- state, start and stop (window_manager.cpp)
    void start();
    void stop(bool paused);
    void refreshDisplays();
    bool isRunning() const { return state_.isRunning; }
    bool isPaused() const { return state_.isPaused; }
    const EngineState& state() const { return state_; }

    std::function<void()> onStateChange;
    std::function<void()> onPermissionLost;
    void addActionObserver(std::function<void(Action)> observer);

    // --- admission and reconciliation (admission.cpp, reconciliation.cpp)
    void addApp(Pid pid);
    bool consider(const AXElement& element, Pid pid);
    std::set<WindowID> presentIDs();
    bool shouldFloat(const AXWindow& window);
    double initialWidth(const Rect& frame, const Display& display) const;
    std::optional<WindowID> systemFocusedWindow();
    void forget(WindowID id);
    std::optional<WindowID> neighbourAfterClose(const std::string& key, std::int64_t column,
                                                std::optional<Pid> closingPid);
    void reconcileSoon(double delay);
    void reconcile();
    void enterFullscreen(WindowID id);
    void rescanAllApps();
    static const std::vector<std::string>& alwaysFloating();

    // WindowTrackerDelegate
    void trackerWindowCreated(const AXElement& element, Pid pid) override;
    void trackerWindowMoved(WindowID id) override;
    void trackerWindowResized(WindowID id) override;
    void trackerWindowMinimizeChanged(WindowID id) override;
    void trackerFocusChanged() override;
    void trackerWindowDestroyed(WindowID id) override;

    // --- layout pipeline and animation (layout_pipeline.cpp, focus.cpp)
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
    void focusWindow(WindowID id);
    void syncFocusFromSystem();
    void updateBorder();
    std::optional<Display> display(const std::optional<std::string>& key) const;
    // Whether the user keeps a display out of tiling.
    bool isExcluded(const std::string& uuid) const;
    // Where a window that has to be tiled goes: the preferred display, else the active one, else
    // the one under the pointer, skipping displays that are gone or excluded; none if none fits.
    std::optional<std::string> tileTarget(const std::optional<std::string>& preferred) const;
    double animationLength() const;
    // The geometry a display is laid out in.
    Rect area(const Display& display) const;
    LayoutConfig layoutConfig() const;
    bool neighbourLeft(const Display& display) const;
    bool neighbourRight(const Display& display) const;
    WindowMap<Rect> focusFrames(const WindowMap<Rect>& normal, const Display& display,
                                const Strip& strip) const;

    // --- commands (commands.cpp)
    void perform(Action action);
    std::optional<std::string> commandKey();
    void focusColumn(std::int64_t index, const std::string& key);
    bool isManaged(WindowID id) const;
    void toggleFocusMode();
    void toggleFloat();
    void sendToNextDisplay();
    void showIndicator(const std::string& key, bool sticky);
    StripIndicatorModel model(const std::string& key);
    static bool isLayoutAction(Action action);

    // The description of a window in log lines: "<id> <bundle or ?> “<first 40 of title>”".
    std::string describe(const AXWindow& window);

    // Services, for the pieces that plug into the engine.
    Platform& platform() { return platform_; }
    Preferences& preferences() { return prefs_; }
    WindowTracker& tracker() { return tracker_; }
    WindowMover& mover() { return *mover_; }
    const Displays& displayService() const { return displays_; }

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    WindowManager(Key, Platform platform, Preferences& prefs, EngineHooks hooks, Pid ownPid);

  private:
    double now() const { return platform_.mainLoop.now(); }
    // Runs `task` after `seconds` on the main loop if the engine still exists.
    void later(double seconds, std::function<void(WindowManager&)> task);
    void observeSystem();
    void handleWorkspaceEvent(WorkspaceEvent event, const std::optional<RunningApplication>& app);
    void insertNewColumn(Strip& strip, WindowID id, double fraction, bool focus) const;
    // Moves the windows that a detached strip still holds onto the primary display's strip.
    void lendToPrimary(const std::string& key, const Strip& detached);
    // Re-reads the displays after the system announced a change, and writes every window anew.
    void followDisplayChange();
    // Forgets the frame last written to a window, here and in the mover, so the next write is
    // complete: something other than the engine changed the window.
    void dropApplied(WindowID id);
    // --- admission and reconciliation
    void zoomByDoubleClick(WindowID id);
    void parkDormant(WindowID id, const std::string& key, std::size_t column);
    void returnToStrip(WindowID id, const Dormant& place);
    void considerRescanned(const std::vector<std::pair<AXElement, WindowID>>& found, Pid pid);

    Platform platform_;
    Preferences& prefs_;
    EngineHooks hooks_;
    Pid ownPid_;
    Displays displays_;
    WindowTracker tracker_;
    std::shared_ptr<WindowMover> mover_;
    std::shared_ptr<WebAccessibility> webAccessibility_;
    EngineState state_;
    std::vector<std::function<void(Action)>> actionObservers_;
    std::optional<Workspace::ObserverID> workspaceObserver_;
    // Defaults for the hooks that were not given.
    LayoutMemory noLayoutMemory_;
    InputControl noInput_;
    HealthChecks noHealth_;
    PointerInteraction noPointer_;
    PreferenceApplication noPreferences_;
    StripIndicator noIndicator_;
    FocusBorder noBorder_;
};

}  // namespace tessarin
