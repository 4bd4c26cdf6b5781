#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "backends/x11/x11_desktop.hpp"
#include "core/window_id.hpp"
#include "engine/engine_hooks.hpp"
#include "ui/focus_border.hpp"

namespace tessarin {

// What the overlays (focus outline, overview, gap preview) need from the X server that the
// toolkit does not offer.

// The focus outline on X, drawn by the server itself: an override-redirect window shaped to the
// ring, filled with its background colour and taking no input. It sits directly above the
// frame holding the focused window, so whatever covers that window covers the outline too.
// When the focused window moves at the same size, as in a scroll, the writers move the outline
// with each frame they write (`X11Desktop::follow`) and the main loop sends nothing for it; a
// new size reshapes it from the main loop. A toolkit window would answer every move with round
// trips of its own on the main loop.
class XFocusOutline : public FocusBorder {
  public:
    static constexpr const char* kTitle = "Tessarin focus outline";

    // `desktop` may be emptied before the outline ends; the server has then dropped the window.
    XFocusOutline(const std::unique_ptr<x11::X11Desktop>& desktop, std::uint32_t rgb);
    ~XFocusOutline() override;
    XFocusOutline(const XFocusOutline&) = delete;
    XFocusOutline& operator=(const XFocusOutline&) = delete;

    void show(const Rect& frame, WindowID window, double width) override;
    void hide() override;

  private:
    // False when the server cannot shape windows: there is no outline then.
    bool create(x11::Connection& conn);
    void flush();

    const std::unique_ptr<x11::X11Desktop>& desktop_;
    std::uint32_t rgb_;
    std::uint32_t window_ = 0;
    std::optional<BorderGeometry> shaped_;  // what the window's shape was made for
    Rect placed_;                           // in root coordinates
    WindowID target_ = 0;
    bool mapped_ = false;
    bool unavailable_ = false;
};

// Whether a compositing manager owns the screen's _NET_WM_CM_S selection: only then do
// translucent windows show what lies below them.
bool compositorRunning(x11::X11Desktop& desktop);

}  // namespace tessarin
