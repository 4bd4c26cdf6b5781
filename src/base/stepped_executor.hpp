#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/serial_queue.hpp"

namespace tessarin {

// Queues for tests: nothing runs until the test says so, on the test's own thread, so a test
// can interleave the blocks of one queue with new requests and with other queues.
class SteppedExecutor : public QueueFactory {
  public:
    static constexpr const char* kBackgroundLabel = "com.tessarin.background";

    SteppedExecutor() = default;
    SteppedExecutor(const SteppedExecutor&) = delete;
    SteppedExecutor& operator=(const SteppedExecutor&) = delete;

    std::shared_ptr<SerialQueue> queue(const std::string& label) override;
    SerialQueue& background() override;
    // The queue goes once its last block has run (at once when it has none).
    void release(const std::string& label) override;

    // Runs the oldest block of `label`. False when there is none, and when the queue is
    // already running a block (a block may not step its own queue: that would break order).
    bool step(const std::string& label);
    // Runs `label` until it is empty, including blocks added meanwhile. Returns how many ran.
    std::size_t drain(const std::string& label);
    // Runs every queue until all are empty, one block per queue in turn (labels in the order
    // they were first asked for). Returns how many ran.
    std::size_t drainAll();

    std::size_t pending(const std::string& label) const;
    // Blocks waiting in all queues; cheap, so a runner can look before it walks the queues.
    std::size_t pendingTotal() const;
    // Every label asked for so far, in that order.
    std::vector<std::string> labels() const;
    // The labels whose queues have blocks waiting, in the same order.
    std::vector<std::string> labelsWithWork() const;

  private:
    class Stepped;
    std::shared_ptr<Stepped> find(const std::string& label) const;
    std::shared_ptr<Stepped> make(const std::string& label);
    void removeIfReleased(const std::string& label);

    std::shared_ptr<std::atomic<std::size_t>> waiting_ =
        std::make_shared<std::atomic<std::size_t>>(0);
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Stepped>> queues_;
    std::vector<std::string> order_;
    std::set<std::string> released_;
};

}  // namespace tessarin
