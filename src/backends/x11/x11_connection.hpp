#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility.hpp"

namespace tessarin::x11 {

// The atoms the backend speaks, interned once when the connection opens.
enum class Atom : std::size_t {
    UTF8_STRING,
    WM_STATE,
    WM_CHANGE_STATE,
    WM_CLIENT_LEADER,
    WM_TRANSIENT_FOR_,
    NET_SUPPORTING_WM_CHECK,
    NET_CLIENT_LIST,
    NET_CLIENT_LIST_STACKING,
    NET_ACTIVE_WINDOW,
    NET_CURRENT_DESKTOP,
    NET_WM_DESKTOP,
    NET_WM_PID,
    NET_WM_NAME,
    NET_WM_STATE,
    NET_WM_STATE_HIDDEN,
    NET_WM_STATE_FULLSCREEN,
    NET_WM_STATE_ABOVE,
    NET_WM_STATE_BELOW,
    NET_WM_WINDOW_TYPE,
    NET_WM_WINDOW_TYPE_NORMAL,
    NET_WM_WINDOW_TYPE_DIALOG,
    NET_WM_WINDOW_TYPE_UTILITY,
    NET_WM_WINDOW_TYPE_TOOLBAR,
    NET_WM_WINDOW_TYPE_DOCK,
    NET_WM_WINDOW_TYPE_DESKTOP,
    NET_WM_ALLOWED_ACTIONS,
    NET_WM_ACTION_RESIZE,
    NET_FRAME_EXTENTS,
    NET_MOVERESIZE_WINDOW,
    NET_RESTACK_WINDOW,
    NET_WORKAREA,
    NET_WM_STRUT,
    NET_WM_STRUT_PARTIAL,
    EDID,
    count
};

// Reply and error objects of XCB are malloc'd; this frees them.
struct FreeDeleter {
    void operator()(void* p) const;
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// A property's raw contents, at most the length asked for.
struct Property {
    xcb_atom_t type = XCB_NONE;
    std::uint8_t format = 0;
    std::string bytes;

    // The 32-bit items of a format-32 property (empty for any other format).
    std::vector<std::uint32_t> cardinals() const;
};

// One connection to the X server. XCB is thread-safe, so any thread may make requests on it;
// events are read only by the main loop's pump.
// A bare connection to `display` (the environment's when empty) and the root window of its
// screen; null, with a one-line reason in `error`, when it cannot be opened.
xcb_connection_t* connectToScreen(const std::string& display, xcb_window_t& root,
                                  std::string& error);

class Connection {
  public:
    // None, with a one-line reason in `error`, when the display cannot be opened.
    static std::unique_ptr<Connection> open(const std::string& display, std::string& error);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* raw() const { return c_; }
    xcb_window_t root() const { return root_; }
    xcb_atom_t atom(Atom which) const { return atoms_[static_cast<std::size_t>(which)]; }
    xcb_atom_t intern(std::string_view name) const;
    std::string atomName(xcb_atom_t atom) const;
    // False once the server is gone: every later request fails.
    bool alive() const { return xcb_connection_has_error(c_) == 0; }
    int fd() const { return xcb_get_file_descriptor(c_); }
    std::uint8_t randrEvent() const { return randrEvent_; }
    bool hasRandr() const { return randrEvent_ != 0; }

    // Reads a property, at most `maxBytes` of it. None when the window is gone or the property
    // is missing; `error` says which (invalidUIElement or noValue).
    std::optional<Property> property(xcb_window_t window, xcb_atom_t name, std::uint32_t maxBytes,
                                     AXError* error = nullptr) const;
    std::optional<std::uint32_t> cardinal(xcb_window_t window, Atom name) const;
    std::vector<std::uint32_t> cardinals(xcb_window_t window, Atom name,
                                         std::uint32_t maxItems = 4096) const;

    // Sends a client message to the root, the way pagers ask the window manager.
    void sendToRoot(xcb_window_t window, Atom type, std::array<std::uint32_t, 5> data);
    // Round trip: everything sent before has been handled by the server once it returns.
    bool sync() const;
    void flush() const { xcb_flush(c_); }

    // The boundary's result code for an X error.
    static AXError translate(const xcb_generic_error_t* error);

  private:
    Connection(xcb_connection_t* c, xcb_window_t root);

    xcb_connection_t* c_;
    xcb_window_t root_;
    std::array<xcb_atom_t, static_cast<std::size_t>(Atom::count)> atoms_{};
    std::uint8_t randrEvent_ = 0;
};

// Text as UTF-8: valid sequences are kept, anything else becomes U+FFFD; at most `maxBytes`,
// cut at a character boundary. Window titles come from other programs and may be anything.
std::string cleanText(std::string_view bytes, std::size_t maxBytes = 4096);
// ISO 8859-1 (the type STRING of WM_NAME) as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

}  // namespace tessarin::x11
