#pragma once

#include "platform/input.hpp"

namespace tessarin::x11 {

class X11Desktop;

// Event taps over X input: the wheel with the modifiers held, and trackpad swipes.
class X11InputEvents : public InputEvents {
  public:
    explicit X11InputEvents(X11Desktop& desktop) : desktop_(desktop) {}
    std::unique_ptr<EventTap> createTap(std::uint64_t mask, TapPlacement placement,
                                        const std::string& threadName, Callback callback) override;
    void post(const InputEvent& event) override;
    // X has no three-finger drag: a swipe never presses at the pointer.
    bool threeFingerDragEnabled() override { return false; }

  private:
    X11Desktop& desktop_;
};

}  // namespace tessarin::x11
