#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "base/main_loop.hpp"

namespace tessarin {

// A main loop on the steady clock for programs without a toolkit loop. `run` blocks the calling
// thread, which becomes the loop's thread, until `quit`. Every call is safe from any thread.
class RealLoop : public MainLoop {
  public:
    RealLoop();

    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    // Seconds of the steady clock since this loop was made.
    double now() const override;

    // Runs posted work and timers until `quit`. A quit that came before `run` makes it return
    // at once; each `run` clears the request as it returns.
    void run();
    void quit();

    // Repeating timers shorter than this would starve posted work.
    static constexpr double kMinimumInterval = 0.001;

  private:
    struct Timer {
        TimerID id;
        double interval;
        Task task;
    };
    using Key = std::pair<double, std::uint64_t>;

    void schedule(double due, TimerID id, double interval, Task task);
    // Under the lock: the next task to run now, if any.
    bool takeNext(std::unique_lock<std::mutex>& lock, Task& task);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point origin_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> posted_;
    std::map<Key, Timer> timers_;
    std::unordered_map<TimerID, Key> keys_;
    std::uint64_t sequence_ = 0;
    TimerID nextID_ = 1;
    bool quit_ = false;
};

}  // namespace tessarin
