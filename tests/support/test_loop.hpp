#pragma once

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "base/main_loop.hpp"

namespace tessarin::test {

// A small virtual-time loop for the sim's own tests: nothing runs until the test drains or
// advances it.
class TestLoop : public MainLoop {
  public:
    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    double now() const override;

    // Runs posted work (and what it posts) and timers due now.
    std::size_t drain();
    void advance(double seconds);

  private:
    struct Timer {
        double due;
        double interval;
        Task task;
    };
    mutable std::mutex mutex_;
    std::vector<Task> posted_;
    std::map<TimerID, Timer> timers_;
    TimerID next_ = 1;
    double now_ = 0;
};

}  // namespace tessarin::test
