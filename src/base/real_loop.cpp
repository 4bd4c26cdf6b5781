#include "base/real_loop.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tessarin {

RealLoop::RealLoop() : origin_(Clock::now()), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

RealLoop::~RealLoop() {
    if (wakeFd_ >= 0) close(wakeFd_);
}

double RealLoop::now() const {
    return std::chrono::duration<double>(Clock::now() - origin_).count();
}

void RealLoop::wake() {
    const std::uint64_t one = 1;
    // A full counter already means "wake up"; nothing else can go wrong worth reporting.
    [[maybe_unused]] auto written = write(wakeFd_, &one, sizeof one);
}

void RealLoop::post(Task task) {
    if (!task) return;
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    wake();
}

MainLoop::TimerID RealLoop::after(double seconds, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = timers_.add(now() + (seconds > 0 ? seconds : 0), std::move(task));
    }
    wake();
    return id;
}

MainLoop::TimerID RealLoop::every(double interval, Task task) {
    TimerID id;
    {
        std::lock_guard lock(mutex_);
        id = timers_.addRepeating(now(), interval, std::move(task));
    }
    wake();
    return id;
}

void RealLoop::cancel(TimerID id) {
    std::lock_guard lock(mutex_);
    timers_.cancel(id);
}

MainLoop::WatchID RealLoop::watchReadable(int fd, Task onReadable) {
    return watch(fd, POLLIN, std::move(onReadable));
}

MainLoop::WatchID RealLoop::watchWritable(int fd, Task onWritable) {
    return watch(fd, POLLOUT, std::move(onWritable));
}

MainLoop::WatchID RealLoop::watch(int fd, short events, Task callback) {
    if (fd < 0 || !callback) return 0;
    WatchID id;
    {
        std::lock_guard lock(mutex_);
        id = ++lastWatch_;
        watches_[id] = {fd, events, std::make_shared<Task>(std::move(callback))};
    }
    wake();
    return id;
}

void RealLoop::unwatch(WatchID id) {
    std::lock_guard lock(mutex_);
    watches_.erase(id);
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

void RealLoop::waitAndDispatch(std::unique_lock<std::mutex>& lock, int timeout) {
    std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}};
    std::vector<WatchID> ids{0};
    for (const auto& [id, watch] : watches_) {
        fds.push_back({watch.fd, watch.events, 0});
        ids.push_back(id);
    }
    lock.unlock();
    const int ready = poll(fds.data(), fds.size(), timeout);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        std::uint64_t count;
        [[maybe_unused]] auto drained = read(wakeFd_, &count, sizeof count);
    }
    lock.lock();
    if (ready <= 0) return;
    for (std::size_t i = 1; i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        // Unwatched while we waited, or by an earlier callback of this round: not called.
        auto found = watches_.find(ids[i]);
        if (found == watches_.end()) continue;
        std::shared_ptr<Task> callback = found->second.onReady;
        lock.unlock();
        (*callback)();
        callback.reset();
        lock.lock();
        if (quit_) return;
    }
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
        int timeout = -1;
        if (auto due = timers_.nextDue()) {
            // Rounded up, so a timer is never woken for before it is due.
            timeout = static_cast<int>(std::ceil(std::max(0.0, *due - now()) * 1000));
        }
        waitAndDispatch(lock, timeout);
    }
    quit_ = false;
}

void RealLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake();
}

}  // namespace tessarin
