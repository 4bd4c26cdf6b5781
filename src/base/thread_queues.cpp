#include "base/thread_queues.hpp"

#include <pthread.h>

#include <future>
#include <vector>

namespace tessarin {

ThreadSerialQueue::ThreadSerialQueue(std::string label) : state_(std::make_shared<State>()) {
    state_->label = std::move(label);
    thread_ = std::thread([state = state_] { work(state); });
}

ThreadSerialQueue::~ThreadSerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_one();
    if (thread_.get_id() == std::this_thread::get_id()) {
        // The last holder let go from one of this queue's own blocks: joining would wait for
        // itself. The worker finishes what is queued and leaves on its own.
        thread_.detach();
        return;
    }
    thread_.join();
}

void ThreadSerialQueue::async(Task task) {
    if (!task) return;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->exited) return;
        state_->tasks.push_back(std::move(task));
    }
    state_->wake.notify_one();
}

void ThreadSerialQueue::finish() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_one();
}

bool ThreadSerialQueue::finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->exited;
}

void ThreadSerialQueue::work(const std::shared_ptr<State>& state) {
    // Linux limits thread names to 15 characters; keep the distinctive end of the label.
    const std::string& label = state->label;
    std::string name = label.size() > 15 ? label.substr(label.size() - 15) : label;
    pthread_setname_np(pthread_self(), name.c_str());

    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
        if (state->tasks.empty()) {  // stopping, and nothing left to run
            state->exited = true;
            return;
        }
        // Take the whole batch so that callers rarely meet the worker on the lock.
        std::deque<Task> batch;
        batch.swap(state->tasks);
        lock.unlock();
        for (auto& task : batch) {
            task();
            task = nullptr;  // captured state dies in order, before the next block runs
        }
        lock.lock();
    }
}

std::shared_ptr<SerialQueue> ThreadQueueFactory::queue(const std::string& label) {
    std::lock_guard lock(mutex_);
    auto& slot = queues_[label];
    if (!slot) slot = std::make_shared<ThreadSerialQueue>(label);
    return slot;
}

void ThreadQueueFactory::release(const std::string& label) {
    std::lock_guard lock(mutex_);
    reapLocked();
    auto found = queues_.find(label);
    if (found == queues_.end()) return;
    found->second->finish();
    released_.push_back(std::move(found->second));
    queues_.erase(found);
}

void ThreadQueueFactory::reapLocked() {
    // A worker that has left is joined at once when its queue is destroyed.
    std::erase_if(released_, [](const auto& queue) { return queue->finished(); });
}

void ThreadQueueFactory::joinReleased() {
    std::vector<std::shared_ptr<ThreadSerialQueue>> released;
    {
        std::lock_guard lock(mutex_);
        released.swap(released_);
    }
    released.clear();  // each destructor joins its worker after the worker's last block
}

SerialQueue& ThreadQueueFactory::background() {
    std::lock_guard lock(mutex_);
    if (!background_) background_ = std::make_shared<ThreadSerialQueue>(kBackgroundLabel);
    return *background_;
}

void ThreadQueueFactory::drain() {
    std::vector<std::shared_ptr<ThreadSerialQueue>> all;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [label, queue] : queues_)
            all.push_back(queue);
        if (background_) all.push_back(background_);
    }
    // One barrier per queue, all in flight at once, so the queues finish in parallel.
    std::vector<std::future<void>> barriers;
    for (const auto& queue : all) {
        auto done = std::make_shared<std::promise<void>>();
        barriers.push_back(done->get_future());
        queue->async([done] { done->set_value(); });
    }
    for (auto& barrier : barriers)
        barrier.wait();
}

}  // namespace tessarin
