#include "app/qt_loop.hpp"

#include <sys/eventfd.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "base/timer_queue.hpp"

namespace tessarin {

QtLoop::QtLoop()
    : context_(std::make_unique<QObject>()), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    wake_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, context_.get());
    QObject::connect(wake_, &QSocketNotifier::activated, context_.get(), [this] { runPosted(); });
}

QtLoop::~QtLoop() {
    // The timers and notifiers are the context's children and go with it.
    context_.reset();
    close(wakeFd_);
}

void QtLoop::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wakeFd_, &one, sizeof one);
}

void QtLoop::runPosted() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(wakeFd_, &count, sizeof count);
    // Only what was posted before this turn: work that posts more runs on a later turn, so
    // timers and descriptors are never starved.
    std::deque<Task> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(posted_);
    }
    for (Task& task : batch)
        task();
}

void QtLoop::onLoopThread(Task work) {
    if (QThread::currentThread() == context_->thread()) {
        work();
    } else {
        post(std::move(work));
    }
}

MainLoop::TimerID QtLoop::after(double seconds, Task task) {
    return schedule(seconds, false, std::move(task));
}

MainLoop::TimerID QtLoop::every(double interval, Task task) {
    return schedule(std::max(interval, TimerQueue::kMinimumInterval), true, std::move(task));
}

MainLoop::TimerID QtLoop::schedule(double seconds, bool repeating, Task task) {
    TimerID id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++lastId_;
        wanted_.insert(id);
    }
    // Whole milliseconds, rounded up: a timer never fires before its time.
    const double ms = std::ceil(std::max(seconds, 0.0) * 1000.0);
    const int interval = static_cast<int>(std::min(ms, 2.0e9));
    auto shared = std::make_shared<Task>(std::move(task));
    onLoopThread([this, id, repeating, interval, shared] {
        {
            std::lock_guard lock(mutex_);
            if (!wanted_.contains(id)) return;
        }
        auto* timer = new QTimer(context_.get());
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(!repeating);
        QObject::connect(timer, &QTimer::timeout, context_.get(), [this, id] { fire(id); });
        timers_[id] = Timer{timer, repeating, shared};
        timer->start(interval);
    });
    return id;
}

void QtLoop::fire(TimerID id) {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    {
        // Cancelled on another thread; the posted removal has not run yet.
        std::lock_guard lock(mutex_);
        if (!wanted_.contains(id)) return;
    }
    std::shared_ptr<Task> task = found->second.task;
    if (!found->second.repeating) {
        found->second.timer->deleteLater();
        timers_.erase(found);
        std::lock_guard lock(mutex_);
        wanted_.erase(id);
    }
    (*task)();
}

void QtLoop::cancel(TimerID id) {
    {
        std::lock_guard lock(mutex_);
        if (wanted_.erase(id) == 0) return;
    }
    onLoopThread([this, id] {
        auto found = timers_.find(id);
        if (found == timers_.end()) return;
        found->second.timer->stop();
        found->second.timer->deleteLater();
        timers_.erase(found);
    });
}

double QtLoop::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - origin_).count();
}

MainLoop::WatchID QtLoop::watchReadable(int fd, Task onReadable) {
    return watch(fd, false, std::move(onReadable));
}

MainLoop::WatchID QtLoop::watchWritable(int fd, Task onWritable) {
    return watch(fd, true, std::move(onWritable));
}

MainLoop::WatchID QtLoop::watch(int fd, bool writable, Task callback) {
    if (fd < 0 || !callback) return 0;
    WatchID id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++lastId_;
        wanted_.insert(id);
    }
    auto shared = std::make_shared<Task>(std::move(callback));
    onLoopThread([this, id, fd, writable, shared] {
        {
            // Unwatched before it was set up.
            std::lock_guard lock(mutex_);
            if (!wanted_.contains(id)) return;
        }
        auto* notifier = new QSocketNotifier(
            fd, writable ? QSocketNotifier::Write : QSocketNotifier::Read, context_.get());
        QObject::connect(notifier, &QSocketNotifier::activated, context_.get(), [this, id] {
            auto found = watches_.find(id);
            if (found == watches_.end()) return;
            std::shared_ptr<Task> callback = found->second.onReadable;
            (*callback)();
        });
        watches_[id] = Watch{notifier, shared};
    });
    return id;
}

void QtLoop::unwatch(WatchID id) {
    {
        std::lock_guard lock(mutex_);
        if (wanted_.erase(id) == 0) return;
    }
    onLoopThread([this, id] {
        auto found = watches_.find(id);
        if (found == watches_.end()) return;
        // It may be the notifier whose signal is running: disabled now, deleted later.
        found->second.notifier->setEnabled(false);
        found->second.notifier->deleteLater();
        watches_.erase(found);
    });
}

int QtLoop::run() {
    return QCoreApplication::exec();
}

void QtLoop::quit(int status) {
    // exit() is not safe off the application's thread; a posted call is.
    post([status] { QCoreApplication::exit(status); });
}

}  // namespace tessarin
