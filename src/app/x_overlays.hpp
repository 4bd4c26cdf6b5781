#pragma once

#include <cstdint>

#include "backends/x11/x11_desktop.hpp"
#include "core/window_id.hpp"

namespace tessarin {

// What the overlays (focus outline, overview, gap preview) need from the X server that the
// toolkit does not offer.

// Puts one of the program's own override-redirect windows directly above the frame holding a
// client window, so the outline is covered by whatever covers the window it surrounds.
void stackAboveClient(x11::X11Desktop& desktop, std::uint32_t own, WindowID client);

// Whether a compositing manager owns the screen's _NET_WM_CM_S selection: only then do
// translucent windows show what lies below them.
bool compositorRunning(x11::X11Desktop& desktop);

}  // namespace tessarin
