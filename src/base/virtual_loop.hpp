#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

#include "base/main_loop.hpp"
#include "base/timer_queue.hpp"

namespace tessarin {

// A main loop on virtual time, for tests and the simulated desktop. The clock only moves when
// the owner advances it; advancing runs everything that falls due, in time order, with the
// clock reading each task's due time while it runs. Ties run in the order they were scheduled,
// and work posted by a task runs before any later timer.
class VirtualLoop : public MainLoop {
  public:
    explicit VirtualLoop(double start = 0);

    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    // Intervals below TimerQueue::kMinimumInterval are raised to it.
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    double now() const override;

    // Moves the clock forward by `seconds` (or to `time`), running what falls due on the way.
    // Going backwards is ignored; the clock never decreases.
    void advance(double seconds);
    void advanceTo(double time);

    // Runs the work posted so far, but not what that work posts, without moving the clock.
    // Returns how many tasks ran.
    std::size_t runPending();
    // Runs posted work and timers already due, including what they post or schedule for now,
    // until nothing is left that can run without moving the clock. Returns how many ran.
    std::size_t drain();

    // Posted tasks waiting to run.
    std::size_t postedCount() const;
    // Delayed tasks and repeating timers still scheduled.
    std::size_t timerCount() const;
    // When the earliest scheduled timer falls due, if any.
    std::optional<double> nextDue() const;

  private:
    bool runOnePosted();
    bool runOneTimer(double limit);

    mutable std::mutex mutex_;
    std::deque<Task> posted_;
    TimerQueue timers_;
    std::atomic<double> now_;
};

}  // namespace tessarin
