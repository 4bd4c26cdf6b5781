#include "backends/x11/x11_input_events.hpp"

#include "backends/x11/x11_desktop.hpp"

namespace tessarin::x11 {

std::unique_ptr<EventTap> X11InputEvents::createTap(std::uint64_t, TapPlacement, const std::string&,
                                                    Callback) {
    (void)desktop_;
    return nullptr;
}

void X11InputEvents::post(const InputEvent&) {}

}  // namespace tessarin::x11
