#include "app/x_overlays.hpp"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <memory>

namespace tessarin {

void stackAboveClient(x11::X11Desktop& desktop, std::uint32_t own, WindowID client) {
    auto* native =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!native || own == 0) return;
    // Managers reparent clients into frames; only the frame is a sibling of our window.
    const auto known = desktop.client(client);
    const xcb_window_t sibling = known && known->topLevel ? known->topLevel : client;
    xcb_connection_t* c = native->connection();
    const std::uint32_t values[] = {sibling, XCB_STACK_MODE_ABOVE};
    // A stale sibling answers with an error on the toolkit's connection, which it ignores.
    xcb_configure_window(c, own, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(c);
}

bool compositorRunning(x11::X11Desktop& desktop) {
    auto talking = desktop.talk();
    x11::Connection& conn = desktop.connection();
    const xcb_atom_t selection = conn.intern("_NET_WM_CM_S0");
    if (selection == XCB_NONE) return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> reply(
        xcb_get_selection_owner_reply(conn.raw(), xcb_get_selection_owner(conn.raw(), selection),
                                      nullptr),
        &free);
    return reply && reply->owner != XCB_NONE;
}

}  // namespace tessarin
