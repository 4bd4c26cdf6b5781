#include "backends/x11/x11_hot_keys.hpp"

#include "backends/x11/x11_desktop.hpp"

namespace tessarin::x11 {

std::optional<HotKeys::Ref> X11HotKeys::registerHotKey(std::uint32_t, std::uint32_t, HotKeyID) {
    (void)desktop_;
    return std::nullopt;
}

void X11HotKeys::unregisterHotKey(Ref) {}

}  // namespace tessarin::x11
