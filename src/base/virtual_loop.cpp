#include "base/virtual_loop.hpp"

#include <algorithm>

namespace tessarin {

VirtualLoop::VirtualLoop(double start) : now_(start) {}

void VirtualLoop::post(Task task) {
    if (!task) return;
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(task));
}

VirtualLoop::Key VirtualLoop::schedule(double due, TimerID id, double interval, Task task) {
    Key key{due, sequence_++};
    timers_.emplace(key, Timer{id, interval, std::move(task)});
    keys_[id] = key;
    return key;
}

MainLoop::TimerID VirtualLoop::after(double seconds, Task task) {
    std::lock_guard lock(mutex_);
    TimerID id = nextID_++;
    if (!task) return id;
    // Negative or NaN delays mean "as soon as possible".
    double delay = seconds > 0 ? seconds : 0;
    schedule(now_.load() + delay, id, 0, std::move(task));
    return id;
}

MainLoop::TimerID VirtualLoop::every(double interval, Task task) {
    std::lock_guard lock(mutex_);
    TimerID id = nextID_++;
    if (!task) return id;
    double step = interval > kMinimumInterval ? interval : kMinimumInterval;
    schedule(now_.load() + step, id, step, std::move(task));
    return id;
}

void VirtualLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    auto it = keys_.find(id);
    if (it == keys_.end()) return;
    timers_.erase(it->second);
    keys_.erase(it);
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

// Runs the earliest timer due at or before `limit`. A repeating timer is re-armed before it runs
// so that the task can cancel itself.
bool VirtualLoop::runOneTimer(double limit) {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (timers_.empty()) return false;
        auto first = timers_.begin();
        double due = first->first.first;
        if (due > limit) return false;
        Timer timer = std::move(first->second);
        timers_.erase(first);
        keys_.erase(timer.id);
        // A nested advance may already have moved the clock past this task.
        now_.store(std::max(now_.load(), due));
        if (timer.interval > 0) {
            // The timer keeps one copy of its task for later runs; this run uses another.
            task = timer.task;
            schedule(due + timer.interval, timer.id, timer.interval, std::move(timer.task));
        } else {
            task = std::move(timer.task);
        }
    }
    task();
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
    if (timers_.empty()) return std::nullopt;
    return timers_.begin()->first.first;
}

}  // namespace tessarin
