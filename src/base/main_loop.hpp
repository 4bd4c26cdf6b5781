#pragma once

#include <cstdint>
#include <functional>

namespace tessarin {

using Task = std::function<void()>;

// The one loop that the engine, tracker callbacks, UI and timers live on. Production runs a
// real loop; tests and the simulated desktop run a virtual-time loop that only advances when
// told to.
class MainLoop {
  public:
    using TimerID = std::uint64_t;

    virtual ~MainLoop() = default;

    // Runs `task` on a later turn of the loop, first in, first out. Safe from any thread.
    virtual void post(Task task) = 0;
    // Runs `task` once, `seconds` from now. The returned id cancels it.
    virtual TimerID after(double seconds, Task task) = 0;
    // Runs `task` every `interval` seconds until cancelled.
    virtual TimerID every(double interval, Task task) = 0;
    // Cancels a pending delayed task or repeating timer; unknown or finished ids are ignored.
    virtual void cancel(TimerID id) = 0;
    // Monotonic seconds.
    virtual double now() const = 0;

    using WatchID = std::uint64_t;
    // Calls `onReadable` on the loop whenever `fd` can be read (or was closed by its peer),
    // until unwatched. The descriptor stays the caller's. Returns 0 when this loop cannot watch
    // descriptors (a virtual-time loop has no real descriptors to wait on).
    virtual WatchID watchReadable(int fd, Task onReadable) {
        (void)fd;
        (void)onReadable;
        return 0;
    }
    // The same for when `fd` can be written to (or failed): for output that did not fit at once.
    virtual WatchID watchWritable(int fd, Task onWritable) {
        (void)fd;
        (void)onWritable;
        return 0;
    }
    // Stops watching; a callback not yet run for it is not run. Unknown ids are ignored.
    virtual void unwatch(WatchID id) { (void)id; }
};

}  // namespace tessarin
