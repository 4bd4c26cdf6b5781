#include "backends/x11/x11_connection.hpp"

#include <xcb/randr.h>

#include <cstdlib>
#include <cstring>

namespace tessarin::x11 {

namespace {

constexpr std::array<const char*, static_cast<std::size_t>(Atom::count)> kAtomNames = {
    "UTF8_STRING",
    "WM_STATE",
    "WM_CHANGE_STATE",
    "WM_CLIENT_LEADER",
    "WM_TRANSIENT_FOR",
    "_NET_SUPPORTING_WM_CHECK",
    "_NET_CLIENT_LIST",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_ACTIVE_WINDOW",
    "_NET_CURRENT_DESKTOP",
    "_NET_WM_DESKTOP",
    "_NET_WM_PID",
    "_NET_WM_NAME",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_BELOW",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_ALLOWED_ACTIONS",
    "_NET_WM_ACTION_RESIZE",
    "_NET_FRAME_EXTENTS",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_RESTACK_WINDOW",
    "_NET_WORKAREA",
    "_NET_WM_STRUT",
    "_NET_WM_STRUT_PARTIAL",
    "EDID",
};

// Length of the UTF-8 sequence starting at `s[i]`, 0 when it is not a valid one.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    std::size_t n;
    std::uint32_t code;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) {
        n = 2;
        code = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3;
        code = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4;
        code = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

void FreeDeleter::operator()(void* p) const {
    std::free(p);
}

std::vector<std::uint32_t> Property::cardinals() const {
    std::vector<std::uint32_t> items;
    if (format != 32) return items;
    items.resize(bytes.size() / 4);
    if (!items.empty()) std::memcpy(items.data(), bytes.data(), items.size() * 4);
    return items;
}

xcb_connection_t* connectToScreen(const std::string& display, xcb_window_t& root,
                                  std::string& error) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        error = "cannot open X display \"" + display + "\"";
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(c);
        error = "X display \"" + display + "\" has no such screen";
        return nullptr;
    }
    root = screens.data->root;
    return c;
}

std::unique_ptr<Connection> Connection::open(const std::string& display, std::string& error) {
    xcb_window_t root = 0;
    xcb_connection_t* c = connectToScreen(display, root, error);
    return c ? std::unique_ptr<Connection>(new Connection(c, root)) : nullptr;
}

Connection::Connection(xcb_connection_t* c, xcb_window_t root) : c_(c), root_(root) {
    std::array<xcb_intern_atom_cookie_t, kAtomNames.size()> cookies;
    for (std::size_t i = 0; i < kAtomNames.size(); ++i)
        cookies[i] = xcb_intern_atom(c_, 0, std::strlen(kAtomNames[i]), kAtomNames[i]);
    for (std::size_t i = 0; i < kAtomNames.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c_, cookies[i], nullptr));
        atoms_[i] = reply ? reply->atom : XCB_NONE;
    }
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c_, &xcb_randr_id);
    if (randr && randr->present) {
        Reply<xcb_randr_query_version_reply_t> version(
            xcb_randr_query_version_reply(c_, xcb_randr_query_version(c_, 1, 5), nullptr));
        // Monitors arrived with RandR 1.5.
        if (version && (version->major_version > 1 || version->minor_version >= 5)) {
            randrEvent_ = randr->first_event;
        }
    }
}

Connection::~Connection() {
    xcb_disconnect(c_);
}

xcb_atom_t Connection::intern(std::string_view name) const {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, name.size(), name.data()), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

std::string Connection::atomName(xcb_atom_t atom) const {
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, atom), nullptr));
    if (!reply) return {};
    return cleanText({xcb_get_atom_name_name(reply.get()),
                      static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get()))},
                     256);
}

std::optional<Property> Connection::property(xcb_window_t window, xcb_atom_t name,
                                             std::uint32_t maxBytes, AXError* error) const {
    xcb_generic_error_t* raw = nullptr;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c_, xcb_get_property(c_, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, (maxBytes + 3) / 4),
        &raw));
    Reply<xcb_generic_error_t> failure(raw);
    if (!reply) {
        if (error) *error = translate(failure.get());
        return std::nullopt;
    }
    if (reply->type == XCB_NONE) {
        if (error) *error = AXError::noValue;
        return std::nullopt;
    }
    Property result;
    result.type = reply->type;
    result.format = reply->format;
    const int length = xcb_get_property_value_length(reply.get());
    result.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())),
                        static_cast<std::size_t>(length > 0 ? length : 0));
    return result;
}

std::optional<std::uint32_t> Connection::cardinal(xcb_window_t window, Atom name) const {
    auto items = cardinals(window, name, 1);
    if (items.empty()) return std::nullopt;
    return items.front();
}

std::vector<std::uint32_t> Connection::cardinals(xcb_window_t window, Atom name,
                                                 std::uint32_t maxItems) const {
    auto found = property(window, atom(name), maxItems * 4);
    return found ? found->cardinals() : std::vector<std::uint32_t>{};
}

void Connection::sendToRoot(xcb_window_t window, Atom type, std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    std::memcpy(event.data.data32, data.data(), sizeof event.data.data32);
    xcb_send_event(c_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c_);
}

bool Connection::sync() const {
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    return reply != nullptr;
}

AXError Connection::translate(const xcb_generic_error_t* error) {
    if (!error) return AXError::cannotComplete;  // no reply at all: the connection is gone
    switch (error->error_code) {
        case XCB_WINDOW:
        case XCB_DRAWABLE:
            return AXError::invalidUIElement;
        case XCB_MATCH:
        case XCB_VALUE:
            return AXError::illegalArgument;
        default:
            return AXError::failure;
    }
}

std::string cleanText(std::string_view bytes, std::size_t maxBytes) {
    std::string out;
    out.reserve(std::min(bytes.size(), maxBytes));
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = sequenceLength(bytes, i);
        std::string_view piece = n ? bytes.substr(i, n) : std::string_view("\xEF\xBF\xBD");
        if (out.size() + piece.size() > maxBytes) break;
        // Control characters other than tab would break one-line log entries.
        if (n == 1 && static_cast<unsigned char>(bytes[i]) < 0x20 && bytes[i] != '\t') {
            piece = " ";
        }
        out += piece;
        i += n ? n : 1;
    }
    return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

}  // namespace tessarin::x11
