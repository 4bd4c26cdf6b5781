#include "base/stepped_executor.hpp"

#include <algorithm>

namespace tessarin {

// Blocks wait here until the executor runs them. Handing over is safe from any thread.
class SteppedExecutor::Stepped : public SerialQueue {
  public:
    explicit Stepped(std::shared_ptr<std::atomic<std::size_t>> waiting)
        : waiting_(std::move(waiting)) {}

    void async(Task task) override {
        if (!task) return;
        std::lock_guard lock(mutex_);
        if (gone_) return;
        tasks_.push_back(std::move(task));
        ++*waiting_;
    }

    // Once released and idle the queue is gone, like a thread that has left: later blocks are
    // dropped. True when it went.
    bool goIfIdle() {
        std::lock_guard lock(mutex_);
        gone_ = !running_ && tasks_.empty();
        return gone_;
    }

    bool step() {
        Task task;
        {
            std::lock_guard lock(mutex_);
            if (running_ || tasks_.empty()) return false;
            task = std::move(tasks_.front());
            tasks_.pop_front();
            --*waiting_;
            running_ = true;
        }
        task();
        task = nullptr;
        std::lock_guard lock(mutex_);
        running_ = false;
        return true;
    }

    std::size_t pending() const {
        std::lock_guard lock(mutex_);
        return tasks_.size();
    }

  private:
    // The executor's count of blocks waiting in all its queues.
    std::shared_ptr<std::atomic<std::size_t>> waiting_;
    mutable std::mutex mutex_;
    std::deque<Task> tasks_;
    bool running_ = false;
    bool gone_ = false;
};

std::shared_ptr<SteppedExecutor::Stepped> SteppedExecutor::make(const std::string& label) {
    std::lock_guard lock(mutex_);
    auto& slot = queues_[label];
    if (!slot) {
        slot = std::make_shared<Stepped>(waiting_);
        order_.push_back(label);
    }
    return slot;
}

std::shared_ptr<SteppedExecutor::Stepped> SteppedExecutor::find(const std::string& label) const {
    std::lock_guard lock(mutex_);
    auto it = queues_.find(label);
    return it == queues_.end() ? nullptr : it->second;
}

std::shared_ptr<SerialQueue> SteppedExecutor::queue(const std::string& label) {
    return make(label);
}

SerialQueue& SteppedExecutor::background() {
    return *make(kBackgroundLabel);
}

bool SteppedExecutor::step(const std::string& label) {
    auto queue = find(label);
    if (!queue || !queue->step()) return false;
    if (queue->pending() == 0) removeIfReleased(label);
    return true;
}

void SteppedExecutor::release(const std::string& label) {
    {
        std::lock_guard lock(mutex_);
        if (!queues_.count(label)) return;
        released_.insert(label);
    }
    removeIfReleased(label);
}

void SteppedExecutor::removeIfReleased(const std::string& label) {
    std::lock_guard lock(mutex_);
    auto found = queues_.find(label);
    if (!released_.count(label) || found == queues_.end() || !found->second->goIfIdle()) return;
    queues_.erase(found);
    released_.erase(label);
    order_.erase(std::find(order_.begin(), order_.end(), label));
}

std::size_t SteppedExecutor::drain(const std::string& label) {
    auto queue = find(label);
    std::size_t count = 0;
    while (queue && queue->step())
        ++count;
    return count;
}

std::size_t SteppedExecutor::drainAll() {
    std::size_t count = 0;
    for (bool ran = true; ran;) {
        ran = false;
        for (const auto& label : labelsWithWork()) {
            if (step(label)) {
                ran = true;
                ++count;
            }
        }
    }
    return count;
}

std::size_t SteppedExecutor::pending(const std::string& label) const {
    auto queue = find(label);
    return queue ? queue->pending() : 0;
}

std::size_t SteppedExecutor::pendingTotal() const {
    return *waiting_;
}

std::vector<std::string> SteppedExecutor::labelsWithWork() const {
    std::vector<std::string> busy;
    if (*waiting_ == 0) return busy;
    std::lock_guard lock(mutex_);
    for (const auto& label : order_) {
        if (queues_.at(label)->pending() > 0) busy.push_back(label);
    }
    return busy;
}

std::vector<std::string> SteppedExecutor::labels() const {
    std::lock_guard lock(mutex_);
    return order_;
}

}  // namespace tessarin
