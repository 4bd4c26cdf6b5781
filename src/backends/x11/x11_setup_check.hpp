#pragma once

#include "backends/x11/x11_setup_rules.hpp"
#include "platform/setup_check.hpp"

namespace tessarin::x11 {

class X11Desktop;

// What fights a scrolling tiler on an X session: the window manager and its settings read from
// the server, the desktop's files and gsettings read through `files`. Permission is always
// granted on X, so it is never a finding.
class X11SetupCheck : public SetupCheck {
  public:
    explicit X11SetupCheck(X11Desktop& desktop, SystemFiles files = SystemFiles::real())
        : desktop_(desktop), files_(std::move(files)) {}
    std::vector<SetupFinding> check(const SetupContext& context) override;

    // What the server says, read afresh.
    DesktopFacts facts();

  private:
    X11Desktop& desktop_;
    SystemFiles files_;
};

}  // namespace tessarin::x11
