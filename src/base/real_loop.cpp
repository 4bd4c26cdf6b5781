#include "base/real_loop.hpp"

namespace tessarin {

RealLoop::RealLoop() : origin_(Clock::now()) {}

double RealLoop::now() const {
    return std::chrono::duration<double>(Clock::now() - origin_).count();
}

void RealLoop::post(Task task) {
    if (!task) return;
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    wake_.notify_one();
}

MainLoop::TimerID RealLoop::after(double seconds, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = timers_.add(now() + (seconds > 0 ? seconds : 0), std::move(task));
    }
    wake_.notify_one();
    return id;
}

MainLoop::TimerID RealLoop::every(double interval, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = timers_.addRepeating(now(), interval, std::move(task));
    }
    wake_.notify_one();
    return id;
}

void RealLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    timers_.cancel(id);
}

Task RealLoop::takeNext() {
    if (!posted_.empty()) {
        Task task = std::move(posted_.front());
        posted_.pop_front();
        return task;
    }
    double current = now();
    // A loop that fell behind skips a repeating timer's missed beats.
    if (auto due = timers_.take(current, current)) return std::move(due->task);
    return nullptr;
}

void RealLoop::run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (Task task = takeNext()) {
            lock.unlock();
            task();
            task = nullptr;  // captured state dies outside the lock too
            lock.lock();
            continue;
        }
        if (auto due = timers_.nextDue()) {
            wake_.wait_for(lock, std::chrono::duration<double>(*due - now()));
        } else {
            wake_.wait(lock);
        }
    }
    quit_ = false;
}

void RealLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
}

}  // namespace tessarin
