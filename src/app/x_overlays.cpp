#include "app/x_overlays.hpp"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <memory>

namespace tessarin {

void stackAboveClient(x11::X11Desktop& desktop, std::uint32_t own, WindowID client) {
    if (own == 0) return;
    // The toolkit creates its windows on its own connection: the first time, wait until the
    // server has this one, or the request below would name a window it does not know yet.
    static std::uint32_t known = 0;
    auto* native =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (native && known != own) {
        xcb_connection_t* toolkit = native->connection();
        free(xcb_get_input_focus_reply(toolkit, xcb_get_input_focus(toolkit), nullptr));
        known = own;
    }
    // Managers reparent clients into frames; only the frame is a sibling of our window.
    const auto found = desktop.client(client);
    const xcb_window_t sibling = found && found->topLevel ? found->topLevel : client;
    // Sent on the connection that raised the client, so it lands after that raise. A stale
    // sibling answers with an error event, which the desktop ignores.
    auto talking = desktop.talk();
    xcb_connection_t* c = desktop.connection().raw();
    const std::uint32_t values[] = {sibling, XCB_STACK_MODE_ABOVE};
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
