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

void RealLoop::schedule(double due, TimerID id, double interval, Task task) {
    Key key{due, sequence_++};
    timers_.emplace(key, Timer{id, interval, std::move(task)});
    keys_[id] = key;
}

MainLoop::TimerID RealLoop::after(double seconds, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = nextID_++;
        if (!task) return id;
        schedule(now() + (seconds > 0 ? seconds : 0), id, 0, std::move(task));
    }
    wake_.notify_one();
    return id;
}

MainLoop::TimerID RealLoop::every(double interval, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = nextID_++;
        if (!task) return id;
        double step = interval > kMinimumInterval ? interval : kMinimumInterval;
        schedule(now() + step, id, step, std::move(task));
    }
    wake_.notify_one();
    return id;
}

void RealLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    auto it = keys_.find(id);
    if (it == keys_.end()) return;
    timers_.erase(it->second);
    keys_.erase(it);
}

bool RealLoop::takeNext(std::unique_lock<std::mutex>&, Task& task) {
    if (!posted_.empty()) {
        task = std::move(posted_.front());
        posted_.pop_front();
        return true;
    }
    if (timers_.empty()) return false;
    auto first = timers_.begin();
    double due = first->first.first;
    double current = now();
    if (due > current) return false;
    Timer timer = std::move(first->second);
    timers_.erase(first);
    keys_.erase(timer.id);
    if (timer.interval > 0) {
        task = timer.task;
        // A loop that fell behind skips the missed beats rather than running them in a burst.
        double next = due + timer.interval;
        if (next <= current) next = current + timer.interval;
        schedule(next, timer.id, timer.interval, std::move(timer.task));
    } else {
        task = std::move(timer.task);
    }
    return true;
}

void RealLoop::run() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        Task task;
        if (takeNext(lock, task)) {
            lock.unlock();
            task();
            task = nullptr;  // captured state dies outside the lock too
            lock.lock();
            continue;
        }
        if (timers_.empty()) {
            wake_.wait(lock);
        } else {
            auto wait = std::chrono::duration<double>(timers_.begin()->first.first - now());
            wake_.wait_for(lock, wait);
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
