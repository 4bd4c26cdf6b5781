#pragma once

#include "platform/input.hpp"

namespace tessarin::x11 {

class X11Desktop;

// Hot keys as passive key grabs on the root window.
class X11HotKeys : public HotKeys {
  public:
    explicit X11HotKeys(X11Desktop& desktop) : desktop_(desktop) {}
    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    std::optional<Ref> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                      HotKeyID id) override;
    void unregisterHotKey(Ref ref) override;

  private:
    X11Desktop& desktop_;
    Handler handler_;
};

}  // namespace tessarin::x11
