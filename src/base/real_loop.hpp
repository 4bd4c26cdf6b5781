#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "base/main_loop.hpp"
#include "base/timer_queue.hpp"

namespace tessarin {

// A main loop on the steady clock for programs without a toolkit loop. `run` blocks the calling
// thread, which becomes the loop's thread, until `quit`. Every call is safe from any thread.
class RealLoop : public MainLoop {
  public:
    RealLoop();

    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    // Intervals below TimerQueue::kMinimumInterval are raised to it.
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    // Seconds of the steady clock since this loop was made.
    double now() const override;

    // Runs posted work and timers until `quit`. A quit that came before `run` makes it return
    // at once; each `run` clears the request as it returns.
    void run();
    void quit();

  private:
    // Under the lock: the next task to run now, if any.
    Task takeNext();

    using Clock = std::chrono::steady_clock;
    const Clock::time_point origin_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> posted_;
    TimerQueue timers_;
    bool quit_ = false;
};

}  // namespace tessarin
