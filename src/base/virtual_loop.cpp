#include "base/virtual_loop.hpp"

#include <algorithm>

namespace tessarin {

VirtualLoop::VirtualLoop(double start) : now_(start) {}

void VirtualLoop::post(Task task) {
    if (!task) return;
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
}

MainLoop::TimerID VirtualLoop::after(double seconds, Task task) {
    std::lock_guard lock(mutex_);
    // Negative or NaN delays mean "as soon as possible".
    return timers_.add(now_.load() + (seconds > 0 ? seconds : 0), std::move(task));
}

MainLoop::TimerID VirtualLoop::every(double interval, Task task) {
    std::lock_guard lock(mutex_);
    return timers_.addRepeating(now_.load(), interval, std::move(task));
}

void VirtualLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    timers_.cancel(id);
}

double VirtualLoop::now() const {
    return now_.load();
}

bool VirtualLoop::runOnePosted() {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (posted_.empty()) return false;
        task = std::move(posted_.front());
        posted_.pop_front();
    }
    task();
    return true;
}

// Runs the earliest timer due at or before `limit`, with the clock at its due time.
bool VirtualLoop::runOneTimer(double limit) {
    std::optional<TimerQueue::Due> due;
    {
        std::lock_guard lock(mutex_);
        due = timers_.take(limit);
        if (!due) return false;
        // A nested advance may already have moved the clock past this task.
        now_.store(std::max(now_.load(), due->due));
    }
    due->task();
    return true;
}

void VirtualLoop::advance(double seconds) {
    if (!(seconds > 0)) seconds = 0;
    advanceTo(now_.load() + seconds);
}

void VirtualLoop::advanceTo(double time) {
    for (;;) {
        // Posted work belongs to the current instant, so it goes before any later timer.
        while (runOnePosted()) {
        }
        if (!runOneTimer(time)) break;
    }
    if (time > now_.load()) now_.store(time);
    drain();
}

std::size_t VirtualLoop::runPending() {
    std::deque<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(posted_);
    }
    for (auto& task : batch)
        task();
    return batch.size();
}

std::size_t VirtualLoop::drain() {
    std::size_t count = 0;
    double current = now_.load();
    for (;;) {
        if (runOnePosted() || runOneTimer(current)) {
            ++count;
            continue;
        }
        break;
    }
    return count;
}

std::size_t VirtualLoop::postedCount() const {
    std::lock_guard lock(mutex_);
    return posted_.size();
}

std::size_t VirtualLoop::timerCount() const {
    std::lock_guard lock(mutex_);
    return timers_.size();
}

std::optional<double> VirtualLoop::nextDue() const {
    std::lock_guard lock(mutex_);
    return timers_.nextDue();
}

}  // namespace tessarin
