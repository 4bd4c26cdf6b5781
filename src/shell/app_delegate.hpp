#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/main_loop.hpp"
#include "platform/platform.hpp"

namespace tessarin {

class HotKeyCenter;
class Preferences;
class WindowManager;

// The windows of the application; the user interface supplies them, and without one nothing is
// shown.
class AppWindows {
  public:
    virtual ~AppWindows() = default;
    // Opens the settings window on its current tab.
    virtual void showSettings() {}
    // Shows the first-run tour from its first step.
    virtual void showOnboarding() {}
};

// The status menu's item; refreshed whenever what it shows may have changed.
class StatusMenu {
  public:
    virtual ~StatusMenu() = default;
    virtual void refresh() {}
};

// What runs before anything else of a launch, even in a copy about to quit.
struct Preflight {
    // Carries over the former product's settings (once; later calls do nothing).
    std::function<void()> migrate;
    // Where another running copy of this program lives ("?" when unknown); none when this copy
    // is the only one.
    std::function<std::optional<std::string>()> otherCopy;
};

// The application without its toolkit: the launch sequence, the wait for permission, the
// automation URLs and the quit. It owns no tiling logic: commands go to the engine as actions.
// Everything runs on the main loop except the hit test's probe.
class AppDelegate {
  public:
    struct Parts {
        Platform platform;
        Preferences& prefs;
        WindowManager& engine;
        HotKeyCenter* hotKeys = nullptr;
        AppWindows* windows = nullptr;
        StatusMenu* status = nullptr;
        Pid ownPid = 0;
    };

    // The first two steps of a launch: migration, then the single-instance check. False (after
    // logging which copy runs) when this copy must quit; nothing else of the launch happens then.
    static bool preflight(const Preflight& steps);

    explicit AppDelegate(Parts parts);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The rest of the launch, in order: the launch line, the engine's callbacks, the hot keys
    // following the settings, the first-run tour when it is due, and `startWhenTrusted`.
    // `system` names the operating system and its version.
    void finishLaunching(const std::string& version, const std::string& system);

    // Starts the engine now if the process is trusted; otherwise asks for trust and checks once
    // a second until it comes.
    void startWhenTrusted();
    bool waitingForPermission() const { return permissionTimer_.has_value(); }

    // Runs the command a `tessarin://` URL names: "settings", "debug", "hittest" or an action.
    // Anything else, and anything malformed, is ignored without a word.
    void handleURL(std::string_view url);

    // The quit: the engine stops (not paused), keeping the layout and releasing the windows.
    void willTerminate();

  private:
    void hitTest();

    Parts parts_;
    std::optional<MainLoop::TimerID> permissionTimer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tessarin
