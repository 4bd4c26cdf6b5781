#pragma once

#include "platform/input.hpp"

namespace tessarin::x11 {

class X11Desktop;

// Event taps over X input. X delivers input to the client it is meant for, so a tap sees only
// what it takes for itself, each tap on a connection of its own:
// - the scroll wheel: passive grabs of wheel buttons 4–7 on the root with the modifiers the
//   owner watches (watchModifiers), in the four Caps Lock / Num Lock variants. A grabbed click
//   never reaches an application, whatever the callback answers: X cannot hand it back, so the
//   grab is exactly the set of events the tap swallows, and wheel clicks without those
//   modifiers are neither seen nor taken. Applications that read smooth scrolling through
//   XInput 2 valuators get the scroll motion before the emulated click the grab catches, so
//   they may scroll as well;
// - swipes: XInput 2.4 swipe gestures selected on the root (seen, not consumed); a server
//   without XInput 2.4 gives a tap that sees nothing;
// - mouse buttons and drags: not taken. X has no three-finger drag, the one reason to watch
//   them, so a tap asking only for them sees nothing.
// Nothing disables a tap behind its owner's back: setEnabled(false) releases the grabs and
// selections, setEnabled(true) takes them again. A tap on its own thread reads its connection
// there, on a loop of its own; one on the main loop reads it on the desktop's loop. Taps do not
// use the desktop after they are made, so they may outlive it.
class X11InputEvents : public InputEvents {
  public:
    explicit X11InputEvents(X11Desktop& desktop) : desktop_(desktop) {}
    std::unique_ptr<EventTap> createTap(std::uint64_t mask, TapPlacement placement,
                                        const std::string& threadName, Callback callback) override;
    // X has no way to put an event back in front of the applications, and nothing is ever held
    // back here (no three-finger drag to undo): posting does nothing.
    void post(const InputEvent& event) override;
    // X has no three-finger drag: a swipe never presses at the pointer.
    bool threeFingerDragEnabled() override { return false; }

  private:
    X11Desktop& desktop_;
};

}  // namespace tessarin::x11
