#pragma once

#include "platform/setup_check.hpp"

namespace tessarin::x11 {

class X11Desktop;

// What fights a scrolling tiler on an X session.
class X11SetupCheck : public SetupCheck {
  public:
    explicit X11SetupCheck(X11Desktop& desktop) : desktop_(desktop) {}
    std::vector<SetupFinding> check(const SetupContext& context) override;

  private:
    X11Desktop& desktop_;
};

}  // namespace tessarin::x11
