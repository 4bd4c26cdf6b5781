#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/main_loop.hpp"

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

    // Repeating timers shorter than this would never let virtual time pass a point.
    static constexpr double kMinimumInterval = 0.001;

  private:
    struct Timer {
        TimerID id;
        double interval;  // 0 for a one-shot task
        Task task;
    };
    // Due time, then scheduling order: a strict order for ties.
    using Key = std::pair<double, std::uint64_t>;

    bool runOnePosted();
    bool runOneTimer(double limit);
    Key schedule(double due, TimerID id, double interval, Task task);

    mutable std::mutex mutex_;
    std::deque<Task> posted_;
    std::map<Key, Timer> timers_;
    std::unordered_map<TimerID, Key> keys_;
    std::uint64_t sequence_ = 0;
    TimerID nextID_ = 1;
    std::atomic<double> now_;
};

}  // namespace tessarin
