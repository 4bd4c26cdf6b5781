#pragma once

#include <memory>

#include "backends/sim/sim_core.hpp"
#include "platform/platform.hpp"

namespace tessarin::sim {

// The check list of the system the sim imitates, read from the staged settings, running
// applications, displays, trust and system version. Fixes open the system's settings through
// the workspace (so the sim records the address) or change Tessarin's finger count.
class SimSetupCheck : public SetupCheck {
  public:
    SimSetupCheck(std::shared_ptr<SimCore> core, Accessibility& accessibility, Workspace& workspace)
        : core_(std::move(core)), accessibility_(accessibility), workspace_(workspace) {}
    std::vector<SetupFinding> check(const SetupContext& context) override;

  private:
    std::shared_ptr<SimCore> core_;
    Accessibility& accessibility_;
    Workspace& workspace_;
};

}  // namespace tessarin::sim
