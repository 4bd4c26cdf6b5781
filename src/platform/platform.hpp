#pragma once

#include "base/main_loop.hpp"
#include "base/serial_queue.hpp"
#include "platform/accessibility.hpp"
#include "platform/input.hpp"
#include "platform/pointer.hpp"
#include "platform/screens.hpp"
#include "platform/setup_check.hpp"
#include "platform/window_server.hpp"
#include "platform/workspace.hpp"

namespace tessarin {

// Monotonic seconds that any thread may read; the simulated desktop's moves only when told.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// Everything the system needs from the desktop it runs on, as one bundle of references that the
// composition root hands down. A backend (simulated or real) provides every member.
struct Platform {
    Accessibility& accessibility;
    WindowServer& windowServer;
    Screens& screens;
    Pointer& pointer;
    Workspace& workspace;
    MainLoop& mainLoop;
    QueueFactory& queues;
    const Clock& clock;
    InputEvents& inputEvents;
    HotKeys& hotKeys;
    SetupCheck& setupCheck;
};

}  // namespace tessarin
