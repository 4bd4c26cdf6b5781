#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/keyboard_layout.hpp"

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace tessarin::x11 {

// Key labels from the server's keymap through xkbcommon: the text a key types with no
// modifier held, in the group (layout) the keyboard is on now. The key is found the way hot keys
// find theirs (the virtual key code's keysym, then the key that carries it), so a label names
// the key that fires. A connection of its own keeps XKB's event rules off the desktop's; the
// keymap is read on first use and again after the desktop reports a mapping change. Any thread.
class X11KeyboardLayout : public KeyboardLayout {
  public:
    explicit X11KeyboardLayout(std::string display) : display_(std::move(display)) {}
    ~X11KeyboardLayout() override;
    X11KeyboardLayout(const X11KeyboardLayout&) = delete;
    X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

    std::optional<std::string> character(std::uint16_t keyCode) const override;
    void mappingChanged() { stale_ = true; }

  private:
    // Under the lock: a current keymap, or false when the server gives none.
    bool ensureKeymap() const;

    std::string display_;
    mutable std::mutex mutex_;
    mutable std::atomic<bool> stale_{true};
    mutable xcb_connection_t* c_ = nullptr;
    mutable std::int32_t device_ = -1;
    mutable xkb_context* context_ = nullptr;
    mutable xkb_keymap* keymap_ = nullptr;
};

}  // namespace tessarin::x11
