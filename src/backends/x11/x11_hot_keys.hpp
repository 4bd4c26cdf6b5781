#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <map>

#include "platform/input.hpp"

namespace tessarin::x11 {

class X11Desktop;

// The modifier bit Num_Lock sits on in the connection's current mapping; 0 when no modifier
// carries it.
std::uint16_t numLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols);

// Hot keys as passive key grabs on the root window, on the desktop's own connection: presses
// arrive with its other events and are handed on by its pump. A stored combination becomes a
// keysym by a fixed table, then the keycode the current keymap gives that keysym, so a shortcut
// stays on the key that shows its letter whatever the layout. Main loop only.
class X11HotKeys : public HotKeys {
  public:
    explicit X11HotKeys(X11Desktop& desktop);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    // Refused when the key has no keysym in the table or no keycode in the keymap, or when
    // another client holds any of the four lock variants of the grab (BadAccess).
    std::optional<Ref> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                      HotKeyID id) override;
    void unregisterHotKey(Ref ref) override;

    // --- from the desktop's pump
    // A grabbed key went down: the handler hears of it on a later turn of the main loop.
    void keyPressed(const xcb_key_press_event_t& event);
    // The keyboard mapping changed: keycodes are looked up again and every registration grabbed
    // anew under the same reference.
    void mappingChanged(xcb_mapping_notify_event_t& event);

  private:
    struct Registration {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyID id;
        xcb_keycode_t code = 0;  // 0 while the keymap has no key for it
        std::uint16_t mask = 0;
    };

    // Grabs the four lock variants; false, with none of them kept, when the key cannot be
    // found or one variant is refused.
    bool grab(Registration& registration);
    void ungrab(const Registration& registration);
    void readNumLock();

    X11Desktop& desktop_;
    Handler handler_;
    xcb_key_symbols_t* symbols_ = nullptr;
    std::uint16_t numLock_ = 0;  // the modifier Num_Lock sits on, 0 when none
    std::map<Ref, Registration> registered_;
    Ref nextRef_ = 1;
};

}  // namespace tessarin::x11
