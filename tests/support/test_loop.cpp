#include "support/test_loop.hpp"

namespace tessarin::test {

void TestLoop::post(Task task) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
}

MainLoop::TimerID TestLoop::after(double seconds, Task task) {
    std::lock_guard lock(mutex_);
    timers_.emplace(next_, Timer{now_ + seconds, 0, std::move(task)});
    return next_++;
}

MainLoop::TimerID TestLoop::every(double interval, Task task) {
    std::lock_guard lock(mutex_);
    timers_.emplace(next_, Timer{now_ + interval, interval, std::move(task)});
    return next_++;
}

void TestLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

double TestLoop::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::size_t TestLoop::drain() {
    std::size_t ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (!posted_.empty()) {
                task = std::move(posted_.front());
                posted_.erase(posted_.begin());
            } else {
                for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                    if (it->second.due > now_) continue;
                    task = it->second.task;
                    if (it->second.interval > 0) {
                        it->second.due += it->second.interval;
                    } else {
                        timers_.erase(it);
                    }
                    break;
                }
            }
        }
        if (!task) return ran;
        task();
        ++ran;
    }
}

void TestLoop::advance(double seconds) {
    {
        std::lock_guard lock(mutex_);
        now_ += seconds;
    }
    drain();
}

}  // namespace tessarin::test
