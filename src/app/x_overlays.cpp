#include "app/x_overlays.hpp"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QRegion>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/log.hpp"

namespace tessarin {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&free)>;

// The pixel value of a colour in the screen's default colour map.
std::uint32_t pixelOf(xcb_connection_t* c, xcb_window_t root, std::uint32_t rgb) {
    xcb_colormap_t map = XCB_NONE;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        if (it.data->root == root) map = it.data->default_colormap;
    }
    // X colours have 16 bits a channel: 0xAB becomes 0xABAB.
    auto channel = [rgb](int shift) {
        return static_cast<std::uint16_t>(((rgb >> shift) & 0xFF) * 0x101);
    };
    Reply<xcb_alloc_color_reply_t> reply(
        xcb_alloc_color_reply(c, xcb_alloc_color(c, map, channel(16), channel(8), channel(0)),
                              nullptr),
        &free);
    return reply ? reply->pixel : rgb;
}

xcb_atom_t intern(xcb_connection_t* c, std::string_view name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()),
            nullptr),
        &free);
    return reply ? reply->atom : XCB_NONE;
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type,
             std::string_view text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

}  // namespace

XFocusOutline::XFocusOutline(std::string display, const std::unique_ptr<x11::X11Desktop>& desktop,
                             MainLoop& loop, std::uint32_t rgb)
    : display_(std::move(display)), desktop_(desktop), loop_(loop), rgb_(rgb) {}

XFocusOutline::~XFocusOutline() {
    if (watch_ != 0) loop_.unwatch(watch_);
    // The window goes with the connection.
    if (own_) xcb_disconnect(own_);
}

bool XFocusOutline::open() {
    if (failed_) return false;
    xcb_window_t root = 0;
    std::string error;
    own_ = x11::connectToScreen(display_, root, error);
    if (!own_) {
        failed_ = true;
        Log::info("no focus outline: " + error);
        return false;
    }
    xcb_connection_t* c = own_;
    window_ = xcb_generate_id(c);
    const std::uint32_t values[] = {pixelOf(c, root, rgb_), 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    // An empty input shape: clicks go to whatever lies below.
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         window_, 0, 0, 0, nullptr);
    const xcb_atom_t utf8 = intern(c, "UTF8_STRING");
    setText(c, window_, intern(c, "_NET_WM_NAME"), utf8, kTitle);
    setText(c, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kTitle);
    constexpr std::string_view wmClass("tessarin\0Tessarin", 17);
    setText(c, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    // The desktop's connection restacks the window next: the server must know it by then.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // Only errors arrive here, and only once the window is gone; they are read and dropped.
    watch_ = loop_.watchReadable(xcb_get_file_descriptor(c), [c] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c))
            free(event);
    });
    return true;
}

void XFocusOutline::show(const Rect& frame, WindowID client, double width) {
    if (!desktop_ || (!own_ && !open())) return;
    xcb_connection_t* c = own_;
    const BorderGeometry geometry = borderGeometry(frame, width);
    const Rect& at = geometry.window;
    const bool reshape = !shaped_ || shaped_->stroke.size() != geometry.stroke.size() ||
                         shaped_->width != geometry.width;
    // The same window in a new place: an animation frame, with nothing raised since the last.
    const bool following = mapped_ && target_ == client && placed_ != at;
    if (reshape || placed_ != at || !mapped_) {
        std::uint32_t values[4] = {
            static_cast<std::uint32_t>(std::lround(at.x)),
            static_cast<std::uint32_t>(std::lround(at.y)),
            static_cast<std::uint32_t>(std::max(1L, std::lround(at.width))),
            static_cast<std::uint32_t>(std::max(1L, std::lround(at.height)))};
        xcb_configure_window(c, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                                 (reshape ? XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT : 0),
                             values);
    }
    if (reshape) {
        shaped_ = geometry;
        std::vector<xcb_rectangle_t> rects;
        for (const QRect& r : ringRegion(geometry)) {
            rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                             static_cast<std::uint16_t>(r.width()),
                             static_cast<std::uint16_t>(r.height())});
        }
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                             window_, 0, 0, static_cast<std::uint32_t>(rects.size()), rects.data());
    }
    // Mapped after it is placed, so it never shows where it was.
    if (!mapped_) xcb_map_window(c, window_);
    mapped_ = true;
    target_ = client;
    placed_ = at;
    xcb_flush(c);
    if (following) return;

    // Directly above the client's frame (managers reparent clients into frames; only the frame
    // is a sibling of the outline), sent on the connection that raised the client so it lands
    // after that raise. A stale sibling answers with an error event, which the desktop ignores.
    // Nothing waits for a reply, so the writers' hold on that connection is not waited for.
    x11::Connection& conn = desktop_->connection();
    const auto found = desktop_->client(client);
    const std::uint32_t stacking[] = {found && found->topLevel ? found->topLevel : client,
                                      XCB_STACK_MODE_ABOVE};
    xcb_configure_window(conn.raw(), window_,
                         XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, stacking);
    conn.flush();
}

void XFocusOutline::hide() {
    if (!own_ || !mapped_) return;
    mapped_ = false;
    xcb_unmap_window(own_, window_);
    xcb_flush(own_);
}

bool compositorRunning(x11::X11Desktop& desktop) {
    auto talking = desktop.talk();
    x11::Connection& conn = desktop.connection();
    const xcb_atom_t selection = conn.intern("_NET_WM_CM_S0");
    if (selection == XCB_NONE) return false;
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(conn.raw(), xcb_get_selection_owner(conn.raw(), selection),
                                      nullptr),
        &free);
    return reply && reply->owner != XCB_NONE;
}

}  // namespace tessarin
