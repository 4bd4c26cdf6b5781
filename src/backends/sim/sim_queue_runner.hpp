#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin::sim {

class SimDesktop;

// Runs stepped queues the way their threads would run next to a virtual main loop: a block that
// spends simulated latency (a slow application's write, a hung application's timed-out call)
// keeps its queue busy that long on the loop's clock. Requests made meanwhile wait behind it, as
// they would on a real desktop, instead of all running at the same instant.
class QueueRunner {
  public:
    QueueRunner(VirtualLoop& loop, SteppedExecutor& queues, const SimDesktop& desktop)
        : loop_(loop), queues_(queues), desktop_(desktop) {}

    // Runs the loop's due work and the blocks of every free queue until nothing more can run
    // at the current time. Returns how many tasks and blocks ran.
    std::size_t runPending();
    // Whether `label` is still busy with a slow block at the current time.
    bool isBusy(const std::string& label) const;

  private:
    VirtualLoop& loop_;
    SteppedExecutor& queues_;
    const SimDesktop& desktop_;
    std::map<std::string, double> busyUntil_;
};

}  // namespace tessarin::sim
