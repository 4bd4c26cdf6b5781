#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "backends/x11/x11_desktop.hpp"
#include "base/main_loop.hpp"
#include "core/window_id.hpp"
#include "engine/engine_hooks.hpp"
#include "ui/focus_border.hpp"

namespace tessarin {

// What the overlays (focus outline, overview, gap preview) need from the X server that the
// toolkit does not offer.

// The focus outline on X, drawn by the server itself: an override-redirect window shaped to the
// ring, filled with its background colour and taking no input. It sits directly above the
// frame holding the focused window, so whatever covers that window covers the outline too.
// Following an animation frame costs one request and no reply: a toolkit window answers every
// move with round trips of its own on the main loop.
//
// Two connections, each keeping its own requests in order: the outline's own carries where it
// is, its size, shape and mapping, and shares no lock with the windows' writers; the stacking
// goes on the desktop's connection, after the raise it answers.
class XFocusOutline : public FocusBorder {
  public:
    static constexpr const char* kTitle = "Tessarin focus outline";

    // `desktop` may be emptied before the outline ends; the server has then dropped the window.
    XFocusOutline(std::string display, const std::unique_ptr<x11::X11Desktop>& desktop,
                  MainLoop& loop, std::uint32_t rgb);
    ~XFocusOutline() override;
    XFocusOutline(const XFocusOutline&) = delete;
    XFocusOutline& operator=(const XFocusOutline&) = delete;

    void show(const Rect& frame, WindowID window, double width) override;
    void hide() override;

  private:
    bool open();

    std::string display_;
    const std::unique_ptr<x11::X11Desktop>& desktop_;
    MainLoop& loop_;
    std::uint32_t rgb_;
    xcb_connection_t* own_ = nullptr;
    MainLoop::WatchID watch_ = 0;
    std::uint32_t window_ = 0;
    std::optional<BorderGeometry> shaped_;  // what the window's shape was made for
    Rect placed_;
    WindowID target_ = 0;
    bool mapped_ = false;
    bool failed_ = false;
};

// Whether a compositing manager owns the screen's _NET_WM_CM_S selection: only then do
// translucent windows show what lies below them.
bool compositorRunning(x11::X11Desktop& desktop);

}  // namespace tessarin
