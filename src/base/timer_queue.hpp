#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/main_loop.hpp"

namespace tessarin {

// The timers of one loop, ordered by due time and then by when they were scheduled, so that
// ties run in scheduling order. Not locked: the owning loop guards it.
class TimerQueue {
  public:
    using TimerID = MainLoop::TimerID;

    // Repeating timers shorter than this would keep a loop from ever moving on.
    static constexpr double kMinimumInterval = 0.001;

    // A fresh id for a task that runs once at `due`, or every `interval` seconds counted
    // `from` the given time. An empty task is never scheduled, but still gets an id, which
    // cancels nothing.
    TimerID add(double due, Task task);
    TimerID addRepeating(double from, double interval, Task task);

    void cancel(TimerID id);

    std::optional<double> nextDue() const;
    std::size_t size() const { return timers_.size(); }

    struct Due {
        double due;
        Task task;
    };
    // Takes the earliest timer due at or before `limit`. A repeating timer is re-armed first,
    // so that its task can cancel it; its next beat is `interval` after this one, or after
    // `skipBefore` when that beat is already behind it (a real loop that fell behind skips
    // the missed beats instead of running them in a burst).
    std::optional<Due> take(double limit, std::optional<double> skipBefore = std::nullopt);

  private:
    struct Timer {
        TimerID id;
        double interval;  // 0 for a one-shot task
        Task task;
    };
    using Key = std::pair<double, std::uint64_t>;

    void schedule(double due, TimerID id, double interval, Task task);

    std::map<Key, Timer> timers_;
    std::unordered_map<TimerID, Key> keys_;
    std::uint64_t sequence_ = 0;
    TimerID nextID_ = 1;
};

}  // namespace tessarin
