#include "base/timer_queue.hpp"

namespace tessarin {

void TimerQueue::schedule(double due, TimerID id, double interval, Task task) {
    Key key{due, sequence_++};
    timers_.emplace(key, Timer{id, interval, std::move(task)});
    keys_[id] = key;
}

TimerQueue::TimerID TimerQueue::add(double due, Task task) {
    TimerID id = nextID_++;
    if (task) schedule(due, id, 0, std::move(task));
    return id;
}

TimerQueue::TimerID TimerQueue::addRepeating(double from, double interval, Task task) {
    TimerID id = nextID_++;
    double step = interval > kMinimumInterval ? interval : kMinimumInterval;
    if (task) schedule(from + step, id, step, std::move(task));
    return id;
}

void TimerQueue::cancel(TimerID id) {
    auto it = keys_.find(id);
    if (it == keys_.end()) return;
    timers_.erase(it->second);
    keys_.erase(it);
}

std::optional<double> TimerQueue::nextDue() const {
    if (timers_.empty()) return std::nullopt;
    return timers_.begin()->first.first;
}

std::optional<TimerQueue::Due> TimerQueue::take(double limit, std::optional<double> skipBefore) {
    if (timers_.empty()) return std::nullopt;
    auto first = timers_.begin();
    double due = first->first.first;
    if (due > limit) return std::nullopt;
    Timer timer = std::move(first->second);
    timers_.erase(first);
    keys_.erase(timer.id);
    if (timer.interval <= 0) return Due{due, std::move(timer.task)};

    // The timer keeps one copy of its task for later beats; this beat runs another.
    Task task = timer.task;
    double next = due + timer.interval;
    if (skipBefore && next <= *skipBefore) next = *skipBefore + timer.interval;
    schedule(next, timer.id, timer.interval, std::move(timer.task));
    return Due{due, std::move(task)};
}

}  // namespace tessarin
