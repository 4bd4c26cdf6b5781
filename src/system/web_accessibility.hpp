#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <string>

#include "platform/accessibility.hpp"
#include "platform/workspace.hpp"

namespace tessarin {

// Asks Chromium-family browsers to expose their page structure, which the slider and player
// probe needs. Runs on background threads and on the probe's queue.
class WebAccessibility {
  public:
    static constexpr double messagingTimeout = 0.3;
    static const std::set<std::string>& browsers();

    // `threeFingerDrag` reads the system's three-finger-drag setting: the probe only matters
    // while three-finger swipes are taken by the swipe tap.
    WebAccessibility(Accessibility& ax, Workspace& workspace, std::function<bool()> threeFingerDrag)
        : ax_(ax), workspace_(workspace), threeFingerDrag_(std::move(threeFingerDrag)) {}

    bool isBrowser(Pid pid);
    // Turns the application's enhanced interface on unless it already is; logs once per process.
    void ensure(Pid pid);
    // The same for every running browser, only while three-finger drag is on. Blocking: the
    // caller runs it on a background queue.
    void ensureForRunningBrowsers();

  private:
    Accessibility& ax_;
    Workspace& workspace_;
    std::function<bool()> threeFingerDrag_;
    std::mutex lock_;
    std::set<Pid> announced_;
};

}  // namespace tessarin
