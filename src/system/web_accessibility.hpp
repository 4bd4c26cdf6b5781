#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/accessibility.hpp"
#include "platform/workspace.hpp"
#include "system/window_mover.hpp"

namespace tessarin {

// Asks Chromium-family browsers to expose their page structure, which the slider and player
// probe needs. May be called from any thread; the attribute itself is written by the window
// mover on the application's own queue, the one place that writes it.
class WebAccessibility {
  public:
    static const std::set<std::string>& browsers();

    // `threeFingerDrag` reads the system's three-finger-drag setting: the probe only matters
    // while three-finger swipes are taken by the swipe tap.
    WebAccessibility(std::shared_ptr<WindowMover> mover, Workspace& workspace,
                     std::function<bool()> threeFingerDrag)
        : mover_(std::move(mover)),
          workspace_(workspace),
          threeFingerDrag_(std::move(threeFingerDrag)) {}

    bool isBrowser(Pid pid);
    // Has the mover turn the application's enhanced interface on unless it already is; logs
    // once per process.
    void ensure(Pid pid);
    // The same for every running browser, only while three-finger drag is on. Blocking: the
    // caller runs it on a background queue.
    void ensureForRunningBrowsers();

  private:
    // The processes already announced in the log.
    struct Announced {
        std::mutex lock;
        std::set<Pid> pids;
    };
    static void announce(Announced& announced, Workspace& workspace, Pid pid);

    std::shared_ptr<WindowMover> mover_;
    Workspace& workspace_;
    std::function<bool()> threeFingerDrag_;
    std::shared_ptr<Announced> announced_ = std::make_shared<Announced>();
};

}  // namespace tessarin
