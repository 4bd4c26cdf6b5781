#include "backends/x11/x11_hot_keys.hpp"

#include <cstdlib>
#include <vector>

#include "backends/x11/x11_desktop.hpp"
#include "backends/x11/x11_keys.hpp"

namespace tessarin::x11 {

namespace {

constexpr xcb_keysym_t kNumLockKeysym = 0xFF7F;

}  // namespace

std::uint16_t numLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols) {
    std::uint16_t found = 0;
    xcb_keycode_t* numLockCodes = xcb_key_symbols_get_keycode(symbols, kNumLockKeysym);
    Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (numLockCodes && mapping) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
        const int perModifier = mapping->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8 && !found; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = codes[modifier * perModifier + i];
                for (const xcb_keycode_t* n = numLockCodes; code && *n != XCB_NO_SYMBOL; ++n)
                    if (*n == code) found = static_cast<std::uint16_t>(1 << modifier);
            }
        }
    }
    std::free(numLockCodes);
    return found;
}

X11HotKeys::X11HotKeys(X11Desktop& desktop) : desktop_(desktop) {
    symbols_ = xcb_key_symbols_alloc(desktop_.connection().raw());
    auto talking = desktop_.talk();
    readNumLock();
}

X11HotKeys::~X11HotKeys() {
    if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11HotKeys::readNumLock() {
    numLock_ = numLockMask(desktop_.connection().raw(), symbols_);
}

bool X11HotKeys::grab(Registration& registration) {
    registration.code = 0;
    const auto keysym = keys::keysymFor(registration.keyCode);
    if (!keysym) return false;
    // The key must type the symbol by itself in some group: '=' that a layout puts on shift+0
    // is not the '=' key, and grabbing 0 for it would give the combination to another
    // shortcut's key. Keypad symbols sit on the keypad's second level (the first is its
    // navigation keys). The core keymap lists a key's symbols group by group, two levels each.
    const bool keypad = *keysym >= 0xFF80 && *keysym <= 0xFFBD;
    auto typesItself = [&](xcb_keycode_t code) {
        for (int column = 0; column < 8; column += 2)
            if (xcb_key_symbols_get_keysym(symbols_, code, column) == *keysym) return true;
        return false;
    };
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, *keysym);
    for (xcb_keycode_t* code = codes; code && *code != XCB_NO_SYMBOL; ++code) {
        if (keypad || typesItself(*code)) {
            registration.code = *code;
            break;
        }
    }
    std::free(codes);
    if (!registration.code) return false;
    registration.mask = keys::modifiersToX(registration.modifiers);
    // X would hand a second grab of the same key and modifiers to the first one's owner (us).
    for (const auto& [ref, held] : registered_)
        if (&held != &registration && held.code == registration.code &&
            held.mask == registration.mask) {
            registration.code = 0;
            return false;
        }

    xcb_connection_t* c = desktop_.connection().raw();
    const xcb_window_t root = desktop_.connection().root();
    const auto variants = keys::lockVariants(registration.mask, numLock_);
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t mask : variants)
        cookies.push_back(xcb_grab_key_checked(c, 0, root, mask, registration.code,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool refused = false;
    std::vector<std::uint16_t> held;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Reply<xcb_generic_error_t> error(xcb_request_check(c, cookies[i]));
        if (error)
            refused = true;
        else
            held.push_back(variants[i]);
    }
    if (refused) {
        for (std::uint16_t mask : held)
            xcb_ungrab_key(c, registration.code, root, mask);
        desktop_.connection().flush();
        registration.code = 0;
    }
    return !refused;
}

void X11HotKeys::ungrab(const Registration& registration) {
    if (!registration.code) return;
    xcb_connection_t* c = desktop_.connection().raw();
    for (std::uint16_t mask : keys::lockVariants(registration.mask, numLock_))
        xcb_ungrab_key(c, registration.code, desktop_.connection().root(), mask);
    desktop_.connection().flush();
}

std::optional<HotKeys::Ref> X11HotKeys::registerHotKey(std::uint32_t keyCode,
                                                       std::uint32_t modifiers, HotKeyID id) {
    // X would hand a second grab of a combination to the first one's owner (us) and release
    // both at one unregistration: one registration per combination, as elsewhere.
    for (const auto& [ref, held] : registered_) {
        if (held.keyCode == keyCode &&
            keys::modifiersToX(held.modifiers) == keys::modifiersToX(modifiers)) {
            return std::nullopt;
        }
    }
    auto talking = desktop_.talk();
    Registration registration{keyCode, modifiers, id};
    if (!grab(registration)) return std::nullopt;
    const Ref ref = nextRef_++;
    registered_[ref] = registration;
    return ref;
}

void X11HotKeys::unregisterHotKey(Ref ref) {
    const auto found = registered_.find(ref);
    if (found == registered_.end()) return;
    auto talking = desktop_.talk();
    ungrab(found->second);
    registered_.erase(found);
}

void X11HotKeys::keyPressed(const xcb_key_press_event_t& event) {
    const std::uint16_t held = event.state & keys::allModifiers & ~(keys::lockMask | numLock_);
    for (const auto& [ref, registration] : registered_) {
        if (registration.code != event.detail || registration.mask != held) continue;
        // The handler may register and unregister: it runs outside the pump, on its own turn.
        desktop_.loop().post([handler = handler_, id = registration.id] {
            if (handler) handler(id);
        });
        return;
    }
}

void X11HotKeys::mappingChanged(xcb_mapping_notify_event_t& event) {
    if (event.request == XCB_MAPPING_POINTER) return;
    auto talking = desktop_.talk();
    // Every key grab of this connection is a hot key's: drop them all under the old keycodes
    // and Num Lock, then grab again under the new ones.
    xcb_connection_t* c = desktop_.connection().raw();
    xcb_ungrab_key(c, XCB_GRAB_ANY, desktop_.connection().root(), XCB_MOD_MASK_ANY);
    xcb_refresh_keyboard_mapping(symbols_, &event);
    readNumLock();
    // A key the new mapping lacks stays registered without a grab until a mapping has it.
    for (auto& [ref, registration] : registered_)
        registration.code = 0;
    for (auto& [ref, registration] : registered_)
        grab(registration);
}

}  // namespace tessarin::x11
