#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "base/main_loop.hpp"

class QObject;
class QSocketNotifier;
class QTimer;

namespace tessarin {

// The main loop on Qt's event loop, so the engine, the X backend and the windows of the user
// interface share one thread and one loop. Made on the thread of the QCoreApplication, which
// must exist first and outlive it; `run` is the application's exec. Every call is safe from
// any thread: off the loop's thread, timers and watches are set up by a posted task.
class QtLoop : public MainLoop {
  public:
    QtLoop();
    ~QtLoop() override;
    QtLoop(const QtLoop&) = delete;
    QtLoop& operator=(const QtLoop&) = delete;

    void post(Task task) override;
    TimerID after(double seconds, Task task) override;
    TimerID every(double interval, Task task) override;
    void cancel(TimerID id) override;
    double now() const override;
    WatchID watchReadable(int fd, Task onReadable) override;
    WatchID watchWritable(int fd, Task onWritable) override;
    void unwatch(WatchID id) override;

    // Runs until `quit`; the exit status is the one `quit` was given.
    int run();
    void quit(int status = 0);

  private:
    // Runs `work` on the loop's thread: at once when called there, else on a later turn.
    void onLoopThread(Task work);
    TimerID schedule(double seconds, bool repeating, Task task);
    void fire(TimerID id);
    WatchID watch(int fd, bool writable, Task callback);

    void runPosted();

    const std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    std::unique_ptr<QObject> context_;
    // Posted work goes through a queue of our own and wakes the loop through an eventfd: the
    // hand-over between threads is then a lock and a descriptor, which sanitizers can follow
    // (Qt's own queues synchronise in code they cannot see).
    std::deque<Task> posted_;
    int wakeFd_ = -1;
    QSocketNotifier* wake_ = nullptr;
    std::mutex mutex_;  // guards the ids and posted work; the maps are the loop thread's
    std::uint64_t lastId_ = 0;
    // Timers and watches asked for and not cancelled: a cancel may overtake the set-up.
    std::set<TimerID> wanted_;
    struct Timer {
        QTimer* timer;
        bool repeating;
        std::shared_ptr<Task> task;
    };
    std::map<TimerID, Timer> timers_;
    struct Watch {
        QSocketNotifier* notifier;
        std::shared_ptr<Task> onReadable;
    };
    std::map<WatchID, Watch> watches_;
};

}  // namespace tessarin
