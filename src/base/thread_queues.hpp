#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/serial_queue.hpp"

namespace tessarin {

// A sequential queue backed by one worker thread of its own. Destroying it runs what was
// already handed over, then joins the thread.
class ThreadSerialQueue : public SerialQueue {
  public:
    // `label` names the thread where the system allows it (the first 15 characters).
    explicit ThreadSerialQueue(std::string label);
    ~ThreadSerialQueue() override;
    ThreadSerialQueue(const ThreadSerialQueue&) = delete;
    ThreadSerialQueue& operator=(const ThreadSerialQueue&) = delete;

    void async(Task task) override;
    // The worker leaves once what was handed over so far has run; blocks handed over after
    // that are dropped. Does not wait.
    void finish();
    // Whether the worker has left.
    bool finished() const;

    const std::string& label() const { return state_->label; }

  private:
    // Shared with the worker, so that a worker left running after its queue is gone (see the
    // destructor) still has what it needs.
    struct State {
        std::string label;
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Task> tasks;
        bool stopping = false;
        bool exited = false;
    };
    static void work(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

// Real threads: one worker per label, each running its blocks in order; different labels run
// in parallel. Queues live as long as the factory or their last holder, or until released:
// a released queue's thread is joined once it has run out of work.
class ThreadQueueFactory : public QueueFactory {
  public:
    static constexpr const char* kBackgroundLabel = "com.tessarin.background";

    ThreadQueueFactory() = default;
    ThreadQueueFactory(const ThreadQueueFactory&) = delete;
    ThreadQueueFactory& operator=(const ThreadQueueFactory&) = delete;

    std::shared_ptr<SerialQueue> queue(const std::string& label) override;
    SerialQueue& background() override;
    void release(const std::string& label) override;
    // Waits until every released queue has run out of work and its thread is gone; for
    // shut-down and tests.
    void joinReleased();

    // Waits until every queue handed out so far (the background one included) has run the
    // blocks it held when called. Never from one of the factory's own queues.
    void drain();

  private:
    // Joins the released workers that have already left; called with the lock held.
    void reapLocked();

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<ThreadSerialQueue>> queues_;
    std::vector<std::shared_ptr<ThreadSerialQueue>> released_;
    std::shared_ptr<ThreadSerialQueue> background_;
};

}  // namespace tessarin
