#pragma once

#include <memory>
#include <string>

#include "base/main_loop.hpp"

namespace tessarin {

// Runs blocks one at a time, in the order they were submitted, off the main loop.
class SerialQueue {
  public:
    virtual ~SerialQueue() = default;
    virtual void async(Task task) = 0;
};

// Hands out one sequential queue per label (the same label gives the same queue) and the
// background utility queue. Production backs them with threads; tests with a stepped executor.
class QueueFactory {
  public:
    virtual ~QueueFactory() = default;
    virtual std::shared_ptr<SerialQueue> queue(const std::string& label) = 0;
    virtual SerialQueue& background() = 0;
    // The queue of `label` is no longer wanted (its application ended): it runs what it holds,
    // then it and whatever runs it go. Never waits for that. A later queue(label) is a new one.
    virtual void release(const std::string& label) = 0;
};

}  // namespace tessarin
