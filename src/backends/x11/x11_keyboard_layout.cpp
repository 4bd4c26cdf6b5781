#include "backends/x11/x11_keyboard_layout.hpp"

#include <xkbcommon/xkbcommon-x11.h>

#include "backends/x11/x11_keys.hpp"

namespace tessarin::x11 {

X11KeyboardLayout::~X11KeyboardLayout() {
    if (keymap_) xkb_keymap_unref(keymap_);
    if (context_) xkb_context_unref(context_);
    if (c_) xcb_disconnect(c_);
}

bool X11KeyboardLayout::ensureKeymap() const {
    if (!c_) {
        c_ = xcb_connect(display_.empty() ? nullptr : display_.c_str(), nullptr);
        if (xcb_connection_has_error(c_) ||
            !xkb_x11_setup_xkb_extension(
                c_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
            return false;
        }
        device_ = xkb_x11_get_core_keyboard_device_id(c_);
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    }
    if (!context_ || device_ < 0) return false;
    if (stale_.exchange(false) || !keymap_) {
        xkb_keymap* fresh =
            xkb_x11_keymap_new_from_device(context_, c_, device_, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (fresh) {
            if (keymap_) xkb_keymap_unref(keymap_);
            keymap_ = fresh;
        }
    }
    return keymap_ != nullptr;
}

std::optional<std::string> X11KeyboardLayout::character(std::uint16_t keyCode) const {
    const auto wanted = keys::keysymFor(keyCode);
    if (!wanted) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (!ensureKeymap()) return std::nullopt;
    // The key that carries the keysym at the lowest level of any group.
    xkb_keycode_t key = XKB_KEYCODE_INVALID;
    for (xkb_level_index_t level = 0; level < 4 && key == XKB_KEYCODE_INVALID; ++level) {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_);
             code <= xkb_keymap_max_keycode(keymap_) && key == XKB_KEYCODE_INVALID; ++code) {
            for (xkb_layout_index_t group = 0;
                 group < xkb_keymap_num_layouts_for_key(keymap_, code); ++group) {
                const xkb_keysym_t* syms = nullptr;
                const int count =
                    xkb_keymap_key_get_syms_by_level(keymap_, code, group, level, &syms);
                if (count == 1 && syms[0] == *wanted) key = code;
            }
        }
    }
    if (key == XKB_KEYCODE_INVALID) return std::nullopt;
    // The group the keyboard is in now: the state is read fresh, since nothing here follows
    // the user's group switches.
    xkb_state* state = xkb_x11_state_new_from_device(keymap_, c_, device_);
    const xkb_layout_index_t group = state ? xkb_state_key_get_layout(state, key) : 0;
    if (state) xkb_state_unref(state);
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap_, key, group, 0, &syms) != 1) return std::nullopt;
    char text[16] = {};
    if (xkb_keysym_to_utf8(syms[0], text, sizeof text) <= 1) return std::nullopt;
    // Control characters (Return, Tab, Escape …) are no label; the named keys have their own.
    if (static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7F) return std::nullopt;
    return std::string(text);
}

}  // namespace tessarin::x11
