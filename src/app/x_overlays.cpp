#include "app/x_overlays.hpp"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QRegion>
#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/log.hpp"

namespace tessarin {

namespace {

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
    const x11::Reply<xcb_alloc_color_reply_t> reply(xcb_alloc_color_reply(
        c, xcb_alloc_color(c, map, channel(16), channel(8), channel(0)), nullptr));
    return reply ? reply->pixel : rgb & 0xFFFFFF;
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type,
             std::string_view text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, name, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

}  // namespace

XFocusOutline::XFocusOutline(const std::unique_ptr<x11::X11Desktop>& desktop, std::uint32_t rgb)
    : desktop_(desktop), rgb_(rgb) {}

XFocusOutline::~XFocusOutline() {
    if (!desktop_ || window_ == 0) return;
    xcb_connection_t* c = desktop_->connection().raw();
    desktop_->follow({}, [&] { xcb_destroy_window(c, window_); });
    xcb_flush(c);
}

bool XFocusOutline::create(x11::Connection& conn) {
    xcb_connection_t* c = conn.raw();
    // A request of an extension the server lacks would close the whole connection.
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(c, &xcb_shape_id);
    if (!shape || !shape->present) {
        Log::info("no focus outline: the X server has no SHAPE extension");
        return false;
    }
    window_ = xcb_generate_id(c);
    const std::uint32_t values[] = {pixelOf(c, conn.root(), rgb_), 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, conn.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    // An empty input shape: clicks go to whatever lies below.
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         window_, 0, 0, 0, nullptr);
    setText(c, window_, conn.atom(x11::Atom::NET_WM_NAME), conn.atom(x11::Atom::UTF8_STRING),
            kTitle);
    setText(c, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kTitle);
    // Instance and class, each ending in a NUL.
    constexpr std::string_view wmClass("tessarin\0Tessarin\0", 18);
    setText(c, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
    return true;
}

void XFocusOutline::show(const Rect& frame, WindowID client, double width) {
    if (!desktop_ || unavailable_) return;
    x11::X11Desktop& desktop = *desktop_;
    x11::Connection& conn = desktop.connection();
    if (!conn.alive()) return;
    if (window_ == 0) {
        auto talking = desktop.talk();
        if (!create(conn)) {
            unavailable_ = true;
            return;
        }
    }
    const BorderGeometry geometry = borderGeometry(frame, width);
    // The engine's frames are relative to the first monitor; the window is placed on the root,
    // within the protocol's range, as the writers place the frame.
    const Point shift = desktop.origin();
    auto coordinate = [](double v) { return std::clamp(std::round(v), -32768.0, 32767.0); };
    auto length = [](double v) { return std::clamp(std::round(v), 1.0, 32767.0); };
    const Rect at{coordinate(geometry.window.x + shift.x), coordinate(geometry.window.y + shift.y),
                  length(geometry.window.width), length(geometry.window.height)};
    const bool reshape = !shaped_ || shaped_->stroke.size() != geometry.stroke.size() ||
                         shaped_->width != geometry.width;
    // The same window moved, at the same size: the writers are writing its frame and move the
    // outline with it. Nothing was raised since the last place.
    if (mapped_ && target_ == client && !reshape && placed_ != at) {
        placed_ = at;
        return;
    }

    xcb_connection_t* c = conn.raw();
    const auto found = desktop.client(client);
    // Managers reparent clients into frames; only the frame is a sibling of the outline.
    const xcb_window_t sibling = found && found->topLevel ? found->topLevel : client;
    // From the frame's position as the writers round it, so both place the outline alike.
    const Point written{coordinate(frame.x + shift.x), coordinate(frame.y + shift.y)};
    const x11::X11Desktop::Follower follower{
        static_cast<xcb_window_t>(client), window_, {at.x - written.x, at.y - written.y}};
    // Sent on the connection that raised the client, so it lands after that raise; nothing here
    // waits for a reply (the writers may hold the connection for theirs).
    desktop.follow(follower, [&] {
        const std::uint32_t place[] = {static_cast<std::uint32_t>(static_cast<std::int32_t>(at.x)),
                                       static_cast<std::uint32_t>(static_cast<std::int32_t>(at.y)),
                                       static_cast<std::uint32_t>(at.width),
                                       static_cast<std::uint32_t>(at.height)};
        xcb_configure_window(c, window_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             place);
        // On its own: a stale sibling fails this request alone, with an error event the
        // desktop ignores.
        const std::uint32_t stacking[] = {sibling, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, window_, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                             stacking);
        if (reshape) {
            std::vector<xcb_rectangle_t> rects;
            for (const QRect& r : ringRegion(geometry)) {
                rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                                 static_cast<std::uint16_t>(r.width()),
                                 static_cast<std::uint16_t>(r.height())});
            }
            xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                                 XCB_CLIP_ORDERING_UNSORTED, window_, 0, 0,
                                 static_cast<std::uint32_t>(rects.size()), rects.data());
        }
        // Mapped after it is placed, so it never shows where it was.
        if (!mapped_) xcb_map_window(c, window_);
    });
    flush();
    shaped_ = geometry;
    mapped_ = true;
    target_ = client;
    placed_ = at;
}

void XFocusOutline::hide() {
    if (!desktop_ || !mapped_) return;
    mapped_ = false;
    xcb_connection_t* c = desktop_->connection().raw();
    desktop_->follow({}, [&] { xcb_unmap_window(c, window_); });
    flush();
}

void XFocusOutline::flush() {
    desktop_->connection().flush();
    // Writing may also have read events off the socket into the library's queue.
    desktop_->nudge();
}

bool compositorRunning(x11::X11Desktop& desktop) {
    auto talking = desktop.talk();
    x11::Connection& conn = desktop.connection();
    const xcb_atom_t selection = conn.intern("_NET_WM_CM_S0");
    if (selection == XCB_NONE) return false;
    const x11::Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        conn.raw(), xcb_get_selection_owner(conn.raw(), selection), nullptr));
    return reply && reply->owner != XCB_NONE;
}

}  // namespace tessarin
