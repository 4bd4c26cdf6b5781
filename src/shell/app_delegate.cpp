#include "shell/app_delegate.hpp"

#include <cmath>

#include "base/log.hpp"
#include "core/action.hpp"
#include "core/automation_url.hpp"
#include "engine/window_manager.hpp"
#include "input/hot_key_center.hpp"
#include "input/slider_hit_test.hpp"
#include "settings/preferences.hpp"
#include "system/displays.hpp"

namespace tessarin {

namespace {

constexpr double kPermissionPoll = 1.0;

}  // namespace

bool AppDelegate::preflight(const Preflight& steps) {
    if (steps.migrate) steps.migrate();
    const auto other = steps.otherCopy ? steps.otherCopy() : std::nullopt;
    if (!other) return true;
    Log::info("another copy is already running (" + (other->empty() ? "?" : *other) +
              "), quitting this one");
    return false;
}

AppDelegate::AppDelegate(Parts parts) : parts_(parts) {}

AppDelegate::~AppDelegate() {
    *alive_ = false;
    if (permissionTimer_) parts_.platform.mainLoop.cancel(*permissionTimer_);
    parts_.engine.onStateChange = nullptr;
    parts_.engine.onPermissionLost = nullptr;
    if (parts_.hotKeys) parts_.hotKeys->onAction = nullptr;
}

void AppDelegate::finishLaunching(const std::string& version, const std::string& system) {
    const bool trusted = parts_.platform.accessibility.isProcessTrusted();
    Log::info("launch " + version + " trusted=" + (trusted ? "true" : "false") + " " + system);
    StatusMenu* status = parts_.status;
    parts_.engine.onStateChange = [status] {
        if (status) status->refresh();
    };
    std::weak_ptr<bool> alive = alive_;
    AppWindows* windows = parts_.windows;
    parts_.engine.onPermissionLost = [this, status, windows, alive] {
        if (status) status->refresh();
        if (windows) windows->showOnboarding();
        if (!alive.expired()) startWhenTrusted();
    };
    if (HotKeyCenter* hotKeys = parts_.hotKeys) {
        WindowManager& engine = parts_.engine;
        hotKeys->onAction = [&engine](Action action) { engine.perform(action); };
        hotKeys->follow(parts_.prefs, parts_.platform.mainLoop);
    }
    if (parts_.windows && (!parts_.prefs.hasCompletedOnboarding() || !trusted))
        parts_.windows->showOnboarding();
    startWhenTrusted();
}

void AppDelegate::startWhenTrusted() {
    MainLoop& loop = parts_.platform.mainLoop;
    if (permissionTimer_) loop.cancel(*permissionTimer_);
    permissionTimer_.reset();
    Accessibility& ax = parts_.platform.accessibility;
    if (ax.isProcessTrusted()) {
        parts_.engine.start();
        return;
    }
    ax.isProcessTrustedWithPrompt();
    std::weak_ptr<bool> alive = alive_;
    permissionTimer_ = loop.every(kPermissionPoll, [this, alive] {
        if (alive.expired() || !parts_.platform.accessibility.isProcessTrusted()) return;
        parts_.platform.mainLoop.cancel(*permissionTimer_);
        permissionTimer_.reset();
        parts_.engine.start();
        if (parts_.status) parts_.status->refresh();
    });
}

void AppDelegate::handleURL(std::string_view url) {
    const auto name = automationCommand(url);
    if (!name) return;
    if (*name == "settings") {
        if (parts_.windows) parts_.windows->showSettings();
    } else if (*name == "debug") {
        (void)parts_.engine.writeDebugDump();
    } else if (*name == "hittest") {
        hitTest();
    } else if (const auto action = actionNamed(*name)) {
        parts_.engine.perform(*action);
    }
}

void AppDelegate::hitTest() {
    // The pointer reads bottom-left; the probe and the line speak top-left.
    const Point mouse = parts_.platform.pointer.location();
    const Point at{mouse.x, Displays::primaryHeight(parts_.platform.screens.screens()) - mouse.y};
    // The probe waits on other applications; it runs off the main loop, and what it reads
    // through outlives the queue (the queues are drained before the backend closes).
    Accessibility& ax = parts_.platform.accessibility;
    WindowServer& windowServer = parts_.platform.windowServer;
    const Pid ownPid = parts_.ownPid;
    parts_.platform.queues.background().async([&ax, &windowServer, ownPid, at] {
        const SliderHitTest::Services services{ax, windowServer, ownPid};
        Log::info("hittest at " + std::to_string(static_cast<long long>(std::trunc(at.x))) + "," +
                  std::to_string(static_cast<long long>(std::trunc(at.y))) + ": " +
                  SliderHitTest::describe(services, at));
    });
}

void AppDelegate::willTerminate() {
    if (permissionTimer_) parts_.platform.mainLoop.cancel(*permissionTimer_);
    permissionTimer_.reset();
    parts_.engine.stop(false);
}

}  // namespace tessarin
