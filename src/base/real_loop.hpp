#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "base/main_loop.hpp"
#include "base/timer_queue.hpp"

namespace tessarin {

// A main loop on the steady clock for programs without a toolkit loop. `run` blocks the calling
// thread, which becomes the loop's thread, until `quit`; while idle it sleeps in poll(2) on the
// watched descriptors and a wake-up descriptor, so nothing is polled on a timer. Every call is
// safe from any thread.
class RealLoop : public MainLoop {
  public:
    RealLoop();
    ~RealLoop() override;
    RealLoop(const RealLoop&) = delete;
    RealLoop& operator=(const RealLoop&) = delete;

    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    // Intervals below TimerQueue::kMinimumInterval are raised to it.
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    // Seconds of the steady clock since this loop was made.
    double now() const override;
    WatchID watchReadable(int fd, Task onReadable) override;
    WatchID watchWritable(int fd, Task onWritable) override;
    void unwatch(WatchID id) override;

    // Runs posted work, timers and descriptor callbacks until `quit`. A quit that came before
    // `run` makes it return at once; each `run` clears the request as it returns.
    void run();
    void quit();

  private:
    // Under the lock: the next task to run now, if any.
    Task takeNext();
    // Waits (lock released) until a descriptor is readable, a wake-up arrives or `timeout`
    // milliseconds pass (-1: no limit), then runs the callbacks of readable descriptors.
    void waitAndDispatch(std::unique_lock<std::mutex>& lock, int timeout);
    void wake();

    using Clock = std::chrono::steady_clock;
    const Clock::time_point origin_;
    std::mutex mutex_;
    std::deque<Task> posted_;
    TimerQueue timers_;
    WatchID watch(int fd, short events, Task callback);

    struct Watch {
        int fd;
        short events;  // POLLIN or POLLOUT
        std::shared_ptr<Task> onReady;
    };
    std::map<WatchID, Watch> watches_;
    WatchID lastWatch_ = 0;
    int wakeFd_ = -1;  // an eventfd that post, timers and quit write to
    bool quit_ = false;
};

}  // namespace tessarin
