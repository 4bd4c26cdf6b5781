#include "backends/x11/x11_setup_check.hpp"

#include "backends/x11/x11_desktop.hpp"

namespace tessarin::x11 {

std::vector<SetupFinding> X11SetupCheck::check(const SetupContext&) {
    return {};
}

}  // namespace tessarin::x11
