#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility.hpp"

namespace tessarin {

enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    Pid pid = 0;
    std::optional<std::string> bundleID;
    std::optional<std::string> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool terminated = false;
    bool hidden = false;
    std::string icon;  // a symbol or file name; empty when the application has none

    bool operator==(const RunningApplication&) const = default;
};

enum class WorkspaceEvent {
    didLaunchApplication,
    didTerminateApplication,
    didActivateApplication,
    didHideApplication,
    didUnhideApplication,
    activeSpaceDidChange,
    didWake,
    screensDidWake,
    sessionDidBecomeActive,
    screenParametersDidChange,
};

// The running applications and the workspace's notifications. Observers are called on the main
// loop; the application is given for the application events and absent for the others.
class Workspace {
  public:
    using Observer =
        std::function<void(WorkspaceEvent event, const std::optional<RunningApplication>& app)>;
    using ObserverID = std::uint64_t;

    virtual ~Workspace() = default;
    virtual std::vector<RunningApplication> runningApplications() = 0;
    virtual std::optional<RunningApplication> application(Pid pid) = 0;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual bool activate(Pid pid) = 0;
    virtual bool openURL(const std::string& url) = 0;

    virtual ObserverID addObserver(Observer observer) = 0;
    virtual void removeObserver(ObserverID id) = 0;
};

}  // namespace tessarin
